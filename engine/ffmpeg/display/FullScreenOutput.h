#pragma once
// A frameless top-level window covering one display, for a renderer's full-screen output. It is given
// the screen's geometry itself (without a window manager showFullScreen() would keep the old size) and
// follows the screen when its geometry changes; it hides when the screen goes away.
//
// Thread: create, use and destroy on the UI thread (the thread of QGuiApplication). Only the
// IVideoSurface returned by surface() may be used from engine threads; it stays valid until the
// FullScreenOutput is destroyed, so a renderer removes it from its present path before destroying this.
// A renderer receiving SetFullScreen on the UI thread creates this directly; from another thread it
// must marshal with QMetaObject::invokeMethod(qApp, ..., Qt::BlockingQueuedConnection).
#include <QPointer>
#include <memory>

#include "engine/VideoSurface.h"

class QScreen;

namespace engine::ff {

class VideoWindow;

class FullScreenOutput {
  public:
    // displayIndex: position in QGuiApplication::screens(). An index naming no display shows nothing.
    explicit FullScreenOutput(int displayIndex);
    ~FullScreenOutput();
    FullScreenOutput(const FullScreenOutput&) = delete;
    FullScreenOutput& operator=(const FullScreenOutput&) = delete;

    bool isShowing() const;
    // Where to present; nullptr when nothing is shown (no such display).
    IVideoSurface* surface() const;
    int displayIndex() const { return displayIndex_; }

  private:
    int displayIndex_;
    std::unique_ptr<VideoWindow> window_;
};

} // namespace engine::ff
