#pragma once
// The consumers fed by one file source, and the picture they were last given.
#include <atomic>
#include <functional>
#include <mutex>
#include <vector>

#include "core/MediaSink.h"

namespace engine::ff {

class SinkSet {
  public:
    // Adds `sink`, tells it the state, and gives it the last picture when `giveLast(session of that
    // picture)` agrees. All under the set's lock, so no delivery overtakes it.
    void add(IMediaSink* sink, int state, const std::function<bool(uint64_t)>& giveLast);
    // Returns once no call into `sink` is running.
    void remove(IMediaSink* sink);
    bool hasPacer() const { return pacers_.load() > 0; }
    bool empty() const;

    void deliverVideo(const FrameHandle& frame, uint64_t session);
    void deliverAudio(const AudioHandle& block);
    void deliverState(int state, bool discontinuity);
    void forgetLast();

  private:
    mutable std::mutex m_;
    std::vector<IMediaSink*> sinks_;
    FrameHandle last_;
    uint64_t lastSession_ = 0;
    std::atomic<int> pacers_{0};
};

} // namespace engine::ff
