#pragma once
// A push button with a dark bevelled face and its caption in bold Arial. The caption takes one colour
// (and size) while the pointer is over the button, another otherwise, and grey when disabled.
#include <QAbstractButton>
#include <QColor>

namespace widgets {

class BitmapButton : public QAbstractButton {
    Q_OBJECT
  public:
    explicit BitmapButton(const QString& caption, QWidget* parent = nullptr);

    void setCaptionColors(const QColor& hover, const QColor& normal);
    void setCaptionPixelSizes(int hover, int normal);
    void setFaceColors(const QColor& face, const QColor& shadow, const QColor& highlight);

    bool pointerOver() const { return hovered_; }
    QColor captionColor() const;
    int captionPixelSize() const { return hovered_ ? hoverPx_ : normalPx_; }

    // A free integer the handlers keep on the button (the export-running flag of EXPORT).
    int tag() const { return tag_; }
    void setTag(int tag) { tag_ = tag; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    QSize sizeHint() const override { return {60, 40}; }

  private:
    QColor hoverColor_{Qt::green};
    QColor normalColor_{Qt::white};
    int hoverPx_ = 11;
    int normalPx_ = 11;
    QColor face_{48, 48, 48};
    QColor shadow_{85, 85, 85};
    QColor highlight_{87, 87, 87};
    bool hovered_ = false;
    int tag_ = 0;
};

} // namespace widgets
