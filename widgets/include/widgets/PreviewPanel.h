#pragma once
// The panel a preview renderer draws into. Pictures arrive from engine threads; the newest one is kept
// under a lock and painted on the UI thread, fitted to the panel.
#include <QWidget>

#include "engine/PictureSurface.h"

namespace widgets {

class PreviewPanel : public QWidget, public engine::PictureSurface {
    Q_OBJECT
  public:
    explicit PreviewPanel(QWidget* parent = nullptr);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void pictureArrived() override;
};

} // namespace widgets
