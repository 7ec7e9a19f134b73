#pragma once
// The real engine driven as the program drives it, with a surface that keeps what it is shown and
// generated clips made once per test binary.
#include <QImage>
#include <QString>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "engine/EngineFactory.h"
#include "engine/VideoSurface.h"
#include "engine_ffmpeg/FfmpegEngine.h"
#include "samples/SampleClips.h"

namespace enginetest {

class TestSurface : public engine::IVideoSurface {
  public:
    explicit TestSurface(QSize size = {320, 180}) : size_(size) {}
    QSize surfaceSize() const override;
    void presentImage(const QImage& image) override;
    // As a window resized (or first laid out) by its owner.
    void resize(QSize size);

    QImage last() const;
    int presented() const;
    // The frame code of every picture presented so far, in order.
    std::vector<int64_t> codesShown() const;
    // The frame code of the last picture (-1 when none is readable).
    int64_t code() const;
    // Waits until `pred(last picture)` holds; false on timeout.
    bool waitFor(const std::function<bool(const QImage&)>& pred, int ms = 3000) const;
    bool waitForCode(int64_t code, int ms = 3000) const;

  private:
    QSize size_;
    mutable std::mutex m_;
    mutable std::condition_variable cv_;
    QImage last_;
    int count_ = 0;
    std::vector<int64_t> codes_;
};

// Polls `pred` until it holds; false on timeout.
bool eventually(const std::function<bool()>& pred, int ms = 3000);

// For tests that hold reads: how far the storage reads ahead of the demuxer, a small part of a test clip
// (the storage's own read-ahead holds one whole), so that holding reads holds its playback too.
constexpr int64_t kHeldClipReadAhead = 64 * 1024;

// A clip generated once per test binary (320x180, 29.97, short), keyed by file name.
QString clip(const QString& fileName, const std::function<void(samples::ClipRecipe&)>& adjust = {});

struct Engine {
    std::unique_ptr<engine::IEngineFactory> factory;
    explicit Engine(engine::ff::ByteSourceDecorator decorate = {});
    engine::MRef<engine::IMFile> source();
    // A renderer showing `source` on `surface`.
    engine::MRef<engine::IMPreview> renderer(const engine::MRef<engine::IMFile>& source,
                                             TestSurface& surface);
};

int stateOf(const engine::MRef<engine::IMFile>& source);
double positionOf(const engine::MRef<engine::IMFile>& source);
double durationOf(const engine::MRef<engine::IMFile>& source);
// Waits for the open under way to end (opening runs on the engine's threads): true when a clip is open.
bool openEnded(const engine::MRef<engine::IMFile>& source);
// OpenName, then openEnded.
bool openClip(const engine::MRef<engine::IMFile>& source, const QString& name, const QString& params = {});

} // namespace enginetest
