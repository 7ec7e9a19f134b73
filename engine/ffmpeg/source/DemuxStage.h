#pragma once
// The demux thread of a clip: reads ahead into the per-stream packet queues of SourceCore, bounded by
// media time and memory, and starts reading elsewhere when a seek asks for it. Reading is the only
// thing that waits on slow storage, so nothing else waits for it while the read-ahead lasts. Reads go
// through the file's GrowingInput: a recording still being written is waited for at its edge, its
// duration follows the file on disk, and storage that stops answering ends the source with a reason.
//
// Read-ahead: up to kAheadSeconds of every stream while playing (less while not, see
// SourceCore::aheadLocked), and at most kMaxBytes in all; a stream whose queue is empty may take the
// demuxer past the byte bound up to kHardMaxBytes, so that a poorly interleaved file never starves one
// decoder while the other's queue is full. While a seek is decoded, only kSeekLeadSeconds of pictures.
#include <chrono>
#include <memory>
#include <vector>
#include <thread>

#include "captions/SubtitleTrack.h"
#include "source/MediaFile.h"
#include "source/SourceCore.h"

namespace engine::ff {

class DemuxStage {
  public:
    static constexpr double kAheadSeconds = 4.0;
    static constexpr double kSeekLeadSeconds = 0.5;
    static constexpr int64_t kMaxBytes = int64_t(64) << 20;
    static constexpr int64_t kHardMaxBytes = int64_t(256) << 20;

    // `subtitles` (may be closed) is fed under the core's lock; readers of it take the lock too.
    DemuxStage(SourceCore& core, MediaFile& file, SubtitleTrack& subtitles);
    ~DemuxStage(); // the owner sets core.quit first

  private:
    using Lock = std::unique_lock<std::mutex>;
    void run();
    bool roomLocked() const;
    void seekTo(double seconds);
    void queuePacket(AVPacketPtr packet);
    void queueEnds();
    void storageSilent();
    enum class Resume { Resumed, Wait, Ended };
    Resume resumeAfterKnownEnd();
    bool alreadyRead(const AVPacket& pkt) const;
    void followGrowth(Lock& lk);

    // Demux thread.
    SourceCore& core_;
    MediaFile& file_;
    SubtitleTrack& subtitles_;
    bool ended_ = false;
    bool growing_ = false;
    // Last decode time queued per stream; after the demuxer was opened again to go on past what it knew,
    // what it reads again up to there is dropped.
    std::vector<int64_t> lastDts_;
    bool resumed_ = false;
    int64_t reopenedAtSize_ = 0;
    std::chrono::steady_clock::time_point grownSeen_{};
    std::thread thread_;
};

} // namespace engine::ff
