#include "display/VideoWindow.h"

#include <QPaintEvent>
#include <QPainter>

namespace engine::ff {

VideoWindow::VideoWindow(QWidget* parent, Qt::WindowFlags flags) : QWidget(parent, flags) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::BlankCursor);
}

void VideoWindow::pictureArrived() {
    QMetaObject::invokeMethod(this, qOverload<>(&QWidget::update), Qt::QueuedConnection);
}

void VideoWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QImage image = picture();
    if (image.isNull())
        painter.fillRect(rect(), Qt::black);
    else
        painter.drawImage(rect(), image);
}

void VideoWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    setSurfaceSize(size() * devicePixelRatio());
}

} // namespace engine::ff
