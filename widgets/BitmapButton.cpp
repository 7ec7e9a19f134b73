#include "widgets/BitmapButton.h"

#include <QLinearGradient>
#include <QPainter>

namespace widgets {

BitmapButton::BitmapButton(const QString& caption, QWidget* parent) : QAbstractButton(parent) {
    setText(caption);
    setAttribute(Qt::WA_Hover);
    setFocusPolicy(Qt::TabFocus);
}

void BitmapButton::setCaptionColors(const QColor& hover, const QColor& normal) {
    hoverColor_ = hover;
    normalColor_ = normal;
    update();
}

void BitmapButton::setCaptionPixelSizes(int hover, int normal) {
    hoverPx_ = hover;
    normalPx_ = normal;
    update();
}

void BitmapButton::setFaceColors(const QColor& face, const QColor& shadow, const QColor& highlight) {
    face_ = face;
    shadow_ = shadow;
    highlight_ = highlight;
    update();
}

QColor BitmapButton::captionColor() const {
    if (!isEnabled())
        return Qt::gray;
    return hovered_ ? hoverColor_ : normalColor_;
}

void BitmapButton::enterEvent(QEnterEvent* event) {
    hovered_ = true;
    update();
    QAbstractButton::enterEvent(event);
}

void BitmapButton::leaveEvent(QEvent* event) {
    hovered_ = false;
    update();
    QAbstractButton::leaveEvent(event);
}

void BitmapButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRect r = rect();
    const bool down = isDown();
    QLinearGradient fill(r.topLeft(), r.bottomLeft());
    fill.setColorAt(0, down ? face_.darker(130) : face_.lighter(135));
    fill.setColorAt(1, down ? face_.darker(110) : face_);
    p.fillRect(r, fill);
    // Raised bevel: highlight on the top-left edges, shadow on the bottom-right; swapped while pressed.
    const QColor topLeft = down ? shadow_.darker(160) : highlight_;
    const QColor bottomRight = down ? highlight_ : shadow_.darker(160);
    p.setPen(topLeft);
    p.drawLine(r.topLeft(), r.topRight());
    p.drawLine(r.topLeft(), r.bottomLeft());
    p.setPen(bottomRight);
    p.drawLine(r.bottomLeft(), r.bottomRight());
    p.drawLine(r.topRight(), r.bottomRight());
    p.setPen(shadow_);
    p.drawRect(r.adjusted(1, 1, -2, -2));

    QFont font;
    font.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans")});
    font.setBold(true);
    font.setPixelSize(captionPixelSize());
    p.setFont(font);
    p.setPen(captionColor());
    p.drawText(r.translated(down ? 1 : 0, down ? 1 : 0), Qt::AlignCenter, text());
}

} // namespace widgets
