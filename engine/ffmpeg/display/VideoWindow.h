#pragma once
// A widget that shows the last picture presented to it, scaled to fill it. presentImage() and
// surfaceSize() are safe from any thread; everything else belongs to the UI thread.
#include <QImage>
#include <QSize>
#include <QWidget>
#include <mutex>

#include "engine/VideoSurface.h"

namespace engine::ff {

class VideoWindow : public QWidget, public IVideoSurface {
    Q_OBJECT
  public:
    explicit VideoWindow(QWidget* parent = nullptr, Qt::WindowFlags flags = {});

    QSize surfaceSize() const override;
    void presentImage(const QImage& image) override;
    QImage lastImage() const;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    mutable std::mutex mutex_;
    QImage image_;
    QSize pixelSize_; // device pixels, mirrored for engine threads
};

} // namespace engine::ff
