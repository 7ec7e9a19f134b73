#pragma once
// Which media time a device is playing: remembers, for each block queued, where it starts in the
// device's frame count, its media position and the rate it was made for. Not thread-safe: the owner
// locks.
#include <cstdint>
#include <deque>
#include <optional>

namespace engine::ff {

class PlayoutTimeline {
  public:
    // A block of `frames` device frames starting at media `position`, covering frames * rate /
    // deviceRate media seconds, queued right after everything appended before.
    void append(int64_t frames, double position, double rate, int deviceRate);
    // Media time heard once `heardFrames` device frames (fractional) have been heard in all; before the
    // first block, its start (the sound has not reached the speaker yet); past the last block, the end
    // of the last block (the device ran dry). nullopt when nothing has been appended since the last
    // restart. Drops blocks that are fully heard.
    std::optional<double> mediaTimeAt(double heardFrames);
    // Starts over (after a flush): the next block starts at device frame `nextFrame`.
    void restart(int64_t nextFrame);
    int64_t endFrame() const { return next_; }

  private:
    struct Segment {
        int64_t start;
        int64_t frames;
        double position;
        double secondsPerFrame; // media seconds per device frame
    };
    std::deque<Segment> segments_;
    int64_t next_ = 0;
};

} // namespace engine::ff
