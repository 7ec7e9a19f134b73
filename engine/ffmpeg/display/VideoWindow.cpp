#include "display/VideoWindow.h"

#include <QPaintEvent>
#include <QPainter>

namespace engine::ff {

VideoWindow::VideoWindow(QWidget* parent, Qt::WindowFlags flags) : QWidget(parent, flags) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::BlankCursor);
}

QSize VideoWindow::surfaceSize() const {
    std::lock_guard lock(mutex_);
    return pixelSize_;
}

void VideoWindow::presentImage(const QImage& image) {
    {
        std::lock_guard lock(mutex_);
        image_ = image;
    }
    // Engine threads may call this: the repaint is queued to the widget's own thread.
    QMetaObject::invokeMethod(this, qOverload<>(&QWidget::update), Qt::QueuedConnection);
}

QImage VideoWindow::lastImage() const {
    std::lock_guard lock(mutex_);
    return image_;
}

void VideoWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QImage image = lastImage();
    if (image.isNull())
        painter.fillRect(rect(), Qt::black);
    else
        painter.drawImage(rect(), image);
}

void VideoWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    std::lock_guard lock(mutex_);
    pixelSize_ = size() * devicePixelRatio();
}

} // namespace engine::ff
