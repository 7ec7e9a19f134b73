#pragma once
// The audio decode thread of a clip: decodes every audio stream's packets, converts them to float at
// 48 kHz and joins them into blocks of all source channels (AudioMerger) for the presenter, at most
// kAheadSeconds ahead of the picture shown (less while not playing). A stream that lags the others by more than the merger's
// bound is heard as silence while the others play on. For a clip without video it also starts the
// reading over at each seek.
#include <thread>
#include <vector>

#include "source/AudioMerger.h"
#include "source/MediaFile.h"
#include "source/SourceCore.h"
#include "source/StreamSound.h"

namespace engine::ff {

class AudioStage {
  public:
    static constexpr double kAheadSeconds = 2.0;
    static constexpr double kPrimingSeconds = 0.1;

    AudioStage(SourceCore& core, const MediaFile& file);
    ~AudioStage(); // the owner sets core.quit first

  private:
    using Lock = std::unique_lock<std::mutex>;
    void run();
    void restart();
    bool roomLocked() const;
    int nextStreamLocked() const;
    void queueBlocks();

    // Audio thread (the core's fields under its lock).
    SourceCore& core_;
    const MediaFile& file_;
    std::vector<StreamSound> streams_;
    AudioMerger merger_;
    uint64_t serial_ = UINT64_MAX;
    uint64_t session_ = UINT64_MAX; // clips without video: the session whose reading was started
    std::thread thread_;
};

} // namespace engine::ff
