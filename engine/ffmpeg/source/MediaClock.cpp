#include "source/MediaClock.h"

#include "core/MediaSink.h"

namespace engine::ff {
namespace {
// The audio device's report is trusted only this close to the steady clock (a stalled or absent
// device must not freeze playback).
constexpr double kAudioTrustWindow = 0.5;
} // namespace

void MediaClock::start(double position, double rate) {
    running_ = true;
    rate_ = rate;
    anchorPosition_ = position;
    anchorTime_ = Clock::now();
}

void MediaClock::stop(double position) {
    running_ = false;
    anchorPosition_ = position;
}

double MediaClock::position() const {
    if (!running_)
        return anchorPosition_;
    const double steady =
        anchorPosition_ + std::chrono::duration<double>(Clock::now() - anchorTime_).count() * rate_;
    double played = 0;
    if (audio_ && audio_->playedPosition(played) && played > steady - kAudioTrustWindow * rate_ &&
        played < steady + kAudioTrustWindow * rate_)
        return played;
    return steady;
}

MediaClock::Clock::time_point MediaClock::timeOf(double position) const {
    const double ahead = (position - this->position()) / rate_;
    return Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(ahead));
}

} // namespace engine::ff
