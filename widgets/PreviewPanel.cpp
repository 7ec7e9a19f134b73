#include "widgets/PreviewPanel.h"

#include <QMutexLocker>
#include <QPainter>

namespace widgets {

PreviewPanel::PreviewPanel(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAutoFillBackground(false);
}

QSize PreviewPanel::surfaceSize() const {
    QMutexLocker lock(&mutex_);
    return deviceSize_;
}

void PreviewPanel::presentImage(const QImage& image) {
    {
        QMutexLocker lock(&mutex_);
        image_ = image;
    }
    // Queued: a picture may come from any thread, painting happens on the panel's own.
    QMetaObject::invokeMethod(this, qOverload<>(&QWidget::update), Qt::QueuedConnection);
}

QImage PreviewPanel::currentImage() const {
    QMutexLocker lock(&mutex_);
    return image_;
}

void PreviewPanel::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    QMutexLocker lock(&mutex_);
    deviceSize_ = size() * devicePixelRatio();
}

void PreviewPanel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QImage image = currentImage();
    const QColor background = palette().color(QPalette::Window);
    if (image.isNull()) {
        p.fillRect(rect(), background);
        return;
    }
    // The renderer composes for surfaceSize(); a picture of another size (after a resize) is fitted.
    const QSize fitted = image.size().scaled(size(), Qt::KeepAspectRatio);
    const QRect target(QPoint((width() - fitted.width()) / 2, (height() - fitted.height()) / 2), fitted);
    p.fillRect(rect(), background);
    p.drawImage(target, image);
}

} // namespace widgets
