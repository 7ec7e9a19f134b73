#include "widgets/PreviewPanel.h"

#include <QPainter>

namespace widgets {

PreviewPanel::PreviewPanel(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAutoFillBackground(false);
}

void PreviewPanel::pictureArrived() {
    QMetaObject::invokeMethod(this, qOverload<>(&QWidget::update), Qt::QueuedConnection);
}

void PreviewPanel::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    setSurfaceSize(size() * devicePixelRatio());
}

void PreviewPanel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QImage image = picture();
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
