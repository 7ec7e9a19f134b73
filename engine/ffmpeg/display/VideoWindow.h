#pragma once
// A widget that shows the last picture presented to it, scaled to fill it. presentImage() and
// surfaceSize() are safe from any thread; everything else belongs to the UI thread.
#include <QWidget>

#include "engine/PictureSurface.h"

namespace engine::ff {

class VideoWindow : public QWidget, public PictureSurface {
    Q_OBJECT
  public:
    explicit VideoWindow(QWidget* parent = nullptr, Qt::WindowFlags flags = {});

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void pictureArrived() override;
};

} // namespace engine::ff
