#pragma once
// The decode thread of a built-in source (a generator read as a MediaReader): reads and decodes ahead into the bounded queues of SourceCore,
// performs seeks (answering from the recent-frame ring when it can), and stops at the end of the clip.
#include <memory>
#include <thread>

#include "source/FrameRing.h"
#include "source/MediaReader.h"
#include "source/SourceCore.h"

namespace engine::ff {

class DecodeWorker {
  public:
    // `reader` is already positioned for the core's current session.
    DecodeWorker(SourceCore& core, std::unique_ptr<MediaReader> reader);
    ~DecodeWorker(); // the owner sets core.quit first

  private:
    void run();
    bool roomLocked() const;
    void seekTo(uint64_t session, double target);
    void resumeAfterParked(uint64_t session);
    bool aborted(uint64_t session) const;
    // The reader starts over elsewhere: the sound read so far is stale.
    void newRead();

    // Thread-owned (the decode thread only).
    SourceCore& core_;
    std::unique_ptr<MediaReader> reader_;
    FrameRing ring_;
    uint64_t session_ = 0;
    bool captions_ = false;
    bool ended_ = false;
    FrameHandle parked_;     // shown from the ring; the reader is not positioned after it yet
    double dropUpTo_ = -1e9; // after leaving the ring, frames up to here were shown already
    std::thread thread_;
};

} // namespace engine::ff
