#pragma once
// The demux thread of a clip: reads ahead into the per-stream packet queues of SourceCore, bounded by
// media time and memory, and starts reading elsewhere when a seek asks for it. Reading is the only
// thing that may block on slow storage, so nothing else waits for it while the read-ahead lasts.
//
// Read-ahead: up to kAheadSeconds of every stream, and at most kMaxBytes in all; a stream whose queue
// is empty may take the demuxer past the byte bound up to kHardMaxBytes, so that a poorly interleaved
// file never starves one decoder while the other's queue is full.
#include <memory>
#include <thread>

#include "captions/SubtitleTrack.h"
#include "engine_ffmpeg/FfmpegEngine.h"
#include "source/MediaFile.h"
#include "source/SourceCore.h"

namespace engine::ff {

class DemuxStage {
  public:
    static constexpr double kAheadSeconds = 4.0;
    static constexpr int64_t kMaxBytes = int64_t(64) << 20;
    static constexpr int64_t kHardMaxBytes = int64_t(256) << 20;

    // `subtitles` (may be closed) is fed under the core's lock; readers of it take the lock too.
    DemuxStage(SourceCore& core, MediaFile& file, SubtitleTrack& subtitles, ReadGate readGate);
    ~DemuxStage(); // the owner sets core.quit first

  private:
    using Lock = std::unique_lock<std::mutex>;
    void run();
    bool roomLocked() const;
    void seekTo(double seconds);
    void queuePacket(AVPacketPtr packet);
    void queueEnds();
    bool stillGrowing();

    // Demux thread.
    SourceCore& core_;
    MediaFile& file_;
    SubtitleTrack& subtitles_;
    const ReadGate readGate_;
    bool ended_ = false;
    int64_t lastSize_ = -1;
    int64_t lastGrowthMs_ = 0;
    std::thread thread_;
};

} // namespace engine::ff
