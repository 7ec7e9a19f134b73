#pragma once
// A horizontal position bar over 0..1000. Setting the position stores it within the range and, only when
// it really changes, repaints and raises `changed` inside the same call. A press on the thumb drags it; a
// press elsewhere jumps to the value under the pointer and then drags from there. A release raises
// `clicked`, then `mouseUp`. The bar never takes keyboard focus.
#include <QSlider>

namespace widgets {

class PositionBar : public QSlider {
    Q_OBJECT
  public:
    static constexpr int kMinValue = 0;
    static constexpr int kMaxValue = 1000;

    explicit PositionBar(QWidget* parent = nullptr);

    int position() const { return value(); }
    void setPosition(int position);

    // A flag the handlers keep on the control (the seeking flag).
    int tag() const { return tag_; }
    void setTag(int tag) { tag_ = tag; }

  signals:
    void changed();
    void mouseDown();
    void mouseUp();
    void clicked();

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    int valueAt(int x) const;
    QRect handleRect() const;

    int tag_ = 0;
    bool dragging_ = false;
    int grabOffset_ = 0; // pointer x minus the thumb's left edge while dragging
};

} // namespace widgets
