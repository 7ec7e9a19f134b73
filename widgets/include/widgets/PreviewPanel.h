#pragma once
// The panel a preview renderer draws into. Pictures arrive from engine threads; the newest one is kept
// under a lock and painted on the UI thread.
#include <QImage>
#include <QMutex>
#include <QWidget>

#include "engine/VideoSurface.h"

namespace widgets {

class PreviewPanel : public QWidget, public engine::IVideoSurface {
    Q_OBJECT
  public:
    explicit PreviewPanel(QWidget* parent = nullptr);

    QSize surfaceSize() const override;
    void presentImage(const QImage& image) override;

    QImage currentImage() const;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    mutable QMutex mutex_;
    QImage image_;     // guarded by mutex_
    QSize deviceSize_; // guarded by mutex_
};

} // namespace widgets
