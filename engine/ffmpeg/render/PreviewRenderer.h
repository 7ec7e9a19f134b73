#pragma once
// The preview renderer object: takes what a file source presents and draws it on the program's video
// surface from a render thread of its own, always the newest picture (older ones may be dropped).
#include <QMap>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "core/EngineObject.h"
#include "core/MediaSink.h"
#include "engine/VideoSurface.h"
#include "render/FrameCompositor.h"

namespace engine::ff {

class PreviewRenderer final : public EngineObject<PreviewRenderer, IMPreview, IMObject, IMProps>, private IMediaSink {
public:
    PreviewRenderer();
    ~PreviewRenderer() override;

    // IMPreview
    int EnableOutput(const QString& line, int audio, int video) override;
    int SetWindow(const QString& line, IVideoSurface* surface) override;
    int SetFullScreen(const QString& line, int on, int displayIndex) override;
    // IMObject
    int StartFrom(IMObject* source) override;
    int CloseObject() override;
    int GetState(int& state) override;
    // IMProps
    int SetProp(const QString& name, const QString& value) override;
    int GetProp(const QString& name, QString& value) override;

private:
    // IMediaSink (the source's presenter thread)
    void onVideo(const FrameHandle& frame) override;
    void onAudio(const AudioHandle& block) override;
    void onSourceState(int state, bool discontinuity) override;

    void detach();
    void stopThread();
    void renderLoop();
    void requestRedraw();

    MRef<ISourceHub> hub_;  // caller's thread
    QMap<QString, QString> props_;
    bool closed_ = false;

    // Shared with the render thread, guarded by m_.
    std::mutex m_;
    std::condition_variable wake_;
    bool quit_ = false;
    bool dirty_ = false;      // something new to draw
    FrameHandle frame_;       // newest picture; null shows black
    bool videoOn_ = true;
    bool audioOn_ = false;
    bool letterBox_ = false;

    // The surface; held while a picture is handed to it so SetWindow can swap it safely.
    std::mutex surfaceMutex_;
    IVideoSurface* surface_ = nullptr;

    FrameCompositor compositor_;  // render thread
    std::thread thread_;
};

}  // namespace engine::ff
