#include "widgets/PositionBar.h"

#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionSlider>

namespace widgets {

PositionBar::PositionBar(QWidget* parent) : QSlider(Qt::Horizontal, parent) {
    setRange(kMinValue, kMaxValue);
    setFocusPolicy(Qt::NoFocus);
    setTracking(true);
    connect(this, &QSlider::valueChanged, this, &PositionBar::changed);
}

void PositionBar::setPosition(int position) {
    setValue(qBound(kMinValue, position, kMaxValue));
}

QRect PositionBar::handleRect() const {
    QStyleOptionSlider opt;
    initStyleOption(&opt);
    return style()->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderHandle, this);
}

// The value whose thumb would be centred at x.
int PositionBar::valueAt(int x) const {
    QStyleOptionSlider opt;
    initStyleOption(&opt);
    const QRect groove = style()->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderGroove, this);
    const int handleWidth = handleRect().width();
    const int span = groove.width() - handleWidth;
    return QStyle::sliderValueFromPosition(minimum(), maximum(), x - groove.x() - handleWidth / 2, span,
                                           opt.upsideDown);
}

void PositionBar::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return event->ignore();
    event->accept();
    emit mouseDown();
    const int x = event->position().toPoint().x();
    const QRect handle = handleRect();
    if (!handle.contains(event->position().toPoint())) {
        setPosition(valueAt(x));
        grabOffset_ = handleRect().width() / 2;
    } else {
        grabOffset_ = x - handle.x();
    }
    dragging_ = true;
    setSliderDown(true);
}

void PositionBar::mouseMoveEvent(QMouseEvent* event) {
    if (!dragging_)
        return event->ignore();
    event->accept();
    setPosition(valueAt(event->position().toPoint().x() - grabOffset_ + handleRect().width() / 2));
}

void PositionBar::mouseReleaseEvent(QMouseEvent* event) {
    if (!dragging_ || event->button() != Qt::LeftButton)
        return event->ignore();
    event->accept();
    dragging_ = false;
    setSliderDown(false);
    emit clicked();
    emit mouseUp();
}

// Only the pointer moves the bar: a wheel or key would move it without the seeking flag.
void PositionBar::wheelEvent(QWheelEvent* event) {
    event->ignore();
}
void PositionBar::keyPressEvent(QKeyEvent* event) {
    event->ignore();
}

} // namespace widgets
