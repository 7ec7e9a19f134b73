#pragma once
// The preview renderer object: takes what a file source presents and draws it on the program's video
// surface (and, when asked, full screen on a display) from a render thread of its own, always the
// newest picture (older ones may be dropped); plays the source's sound when it owns it (one renderer per
// source does); draws the VU meter and captions.
#include <array>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "audio/AudioOutput.h"
#include "core/EngineObject.h"
#include "core/JobThread.h"
#include "core/MediaSink.h"
#include "core/PropertyBag.h"
#include "engine/VideoSurface.h"
#include "overlay/LevelHistory.h"
#include "overlay/VuOverlay.h"
#include "render/FrameCompositor.h"

namespace engine::ff {

class FullScreenOutput;
using AudioDeviceFactory = std::function<std::unique_ptr<AudioDevice>()>;

class PreviewRenderer final : public EngineObject<PreviewRenderer, IMPreview, IMObject, IMProps>,
                              private IMediaSink {
  public:
    // `makeDevice`: the sound device (the machine's default device in the product).
    explicit PreviewRenderer(AudioDeviceFactory makeDevice = {});
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
    struct Look {
        bool letterBox = false;
        FrameCompositor::Fields fields = FrameCompositor::Fields::Both;
        bool vu = false;
        VuOptions vuOptions;
    };
    // IMediaSink (the source's presenter thread)
    void onVideo(const FrameHandle& frame) override;
    void onAudio(const AudioHandle& block) override;
    void onSound(const AudioHandle& block) override;
    void onSoundFlush() override;
    IAudioClock* soundClock() override { return &audio_; }
    void onSourceState(int state, bool discontinuity) override;

    void detach();
    void switchSound(bool on);
    void stopThread();
    void renderLoop();
    void requestRedraw();
    void applyLook();
    QImage draw(const FrameHandle& frame, const Look& look, QSize size);
    QImage drawSoundOnly(const Look& look, QSize size);
    double playingPosition() const;
    bool surfaceResized();
    // The window's surface and the full-screen output's; either may be null. Hold surfaceMutex_.
    std::array<IVideoSurface*, 2> surfaces() const;

    std::mutex hubMutex_;
    MRef<ISourceHub> hub_; // set on the caller's thread, read on the device thread too
    PropertyBag props_;
    bool closed_ = false;
    std::atomic<bool> audioOn_{false};

    // The source's state as last told (the presenter thread writes, EnableOutput reads); held with the
    // device's pause so that the two never disagree.
    std::mutex stateMutex_;
    int sourceState_ = 0;

    // Shared with the render thread, guarded by m_.
    std::mutex m_;
    std::condition_variable wake_;
    bool quit_ = false;
    bool dirty_ = false; // something new to draw
    FrameHandle frame_;  // newest picture; null shows black
    bool videoOn_ = true;
    bool sourceRunning_ = false;
    Look look_;

    // The surfaces; held while a picture is handed to them so SetWindow/SetFullScreen can swap them.
    std::mutex surfaceMutex_;
    IVideoSurface* surface_ = nullptr;
    std::unique_ptr<FullScreenOutput> fullScreen_;

    AudioOutput audio_;               // internally locked
    JobThread deviceThread_;          // opens and closes audio_'s device, off the caller's thread
    LevelHistory levels_;             // internally locked
    FrameCompositor compositor_;      // render thread
    std::array<QSize, 2> drawnSizes_; // render thread: what the window and the full-screen output last got
    std::thread thread_;
};

} // namespace engine::ff
