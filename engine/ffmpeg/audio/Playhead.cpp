#include "audio/Playhead.h"

#include <algorithm>

namespace engine::ff {

void Playhead::restart(int sampleRate, int64_t serverFrames) {
    *this = Playhead{};
    sampleRate_ = std::max(sampleRate, 1);
    serverFrames_ = std::max<int64_t>(serverFrames, 0);
}

void Playhead::took(int64_t frames, Clock::time_point at) {
    if (frames <= 0)
        return;
    taken_ += frames;
    lastChunk_ = frames;
    lastTakeAt_ = at;
}

double Playhead::heard(Clock::time_point now) const {
    if (taken_ == 0)
        return 0;
    // The last chunk starts to be heard once the server's delay has passed, and plays at the sample rate.
    const double since = std::max(0.0, std::chrono::duration<double>(now - lastTakeAt_).count());
    const double playing = double(taken_ - lastChunk_ - serverFrames_) + since * sampleRate_;
    heard_ = std::max(heard_, std::min(playing, double(taken_)));
    return heard_;
}

} // namespace engine::ff
