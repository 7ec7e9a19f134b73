#pragma once
// Recently decoded frames, so that stepping back through a long GOP is instant after the first step.
// Memory: bounded by kBudgetBytes (96 MiB), about 30 frames of 1080p 4:2:0 8-bit (3.1 MB each) or
// 15 of 1080 4:2:2 10-bit; frames are shared with the queues, not copied.
#include <deque>
#include <map>

#include "core/MediaSink.h"

namespace engine::ff {

class FrameRing {
  public:
    static constexpr size_t kBudgetBytes = size_t(96) << 20;

    void add(const FrameHandle& frame);
    // The frame whose display interval holds `target`, or null.
    FrameHandle find(double target) const;
    // The latest frame that starts at or before `target` and no more than `within` before it, or null.
    FrameHandle nearestBefore(double target, double within) const;
    void clear();

  private:
    static size_t bytesOf(const VideoFrame& f);
    std::map<int64_t, FrameHandle> byIndex_;
    std::deque<int64_t> order_; // oldest first
    size_t bytes_ = 0;
};

} // namespace engine::ff
