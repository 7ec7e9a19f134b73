#include "audio/PlayoutTimeline.h"

#include <algorithm>

namespace engine::ff {

void PlayoutTimeline::append(int64_t frames, double position, double rate, int deviceRate) {
    if (frames <= 0 || deviceRate <= 0)
        return;
    segments_.push_back({next_, frames, position, rate / deviceRate});
    next_ += frames;
}

std::optional<double> PlayoutTimeline::mediaTimeAt(double heardFrames) {
    if (segments_.empty())
        return std::nullopt;
    while (segments_.size() > 1 && double(segments_.front().start + segments_.front().frames) <= heardFrames)
        segments_.pop_front();
    const Segment& s = segments_.front();
    const double into = std::clamp(heardFrames - double(s.start), 0.0, double(s.frames));
    return s.position + into * s.secondsPerFrame;
}

void PlayoutTimeline::restart(int64_t nextFrame) {
    segments_.clear();
    next_ = nextFrame;
}

} // namespace engine::ff
