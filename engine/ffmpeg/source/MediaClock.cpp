#include "source/MediaClock.h"

#include <algorithm>
#include <cmath>

#include "core/MediaSink.h"

namespace engine::ff {
namespace {
double seconds(MediaClock::Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}
} // namespace

MediaClock::MediaClock(const IAudioClock* const& audio, Now now) : audio_(audio), now_(std::move(now)) {}

void MediaClock::start(double position, double rate) {
    running_ = true;
    rate_ = rate;
    position_ = position;
    time_ = now_();
    speed_ = rate;
    waiting_ = false;
    anchorAfresh(time_);
}

void MediaClock::anchorAfresh(Clock::time_point now) {
    anchorDue_ = true;
    behind_ = false;
    stalled_ = false;
    heardMovedAt_ = now;
}

void MediaClock::stop(double position) {
    running_ = false;
    position_ = position;
    waiting_ = false;
}

double MediaClock::position() {
    if (!running_)
        return position_;
    const auto now = now_();
    position_ += seconds(now - time_) * speed_;
    time_ = now;
    follow(now);
    return position_;
}

void MediaClock::follow(Clock::time_point now) {
    speed_ = rate_;
    double heard = 0;
    const IAudioClock* const audio = audio_;
    const bool reports = audio && audio->playedPosition(heard) && std::isfinite(heard);
    if (reports && (!reporting_ || audio != followed_)) { // the sound starts afresh
        anchorAfresh(now);
        lastHeard_ = heard;
    }
    reporting_ = reports;
    followed_ = audio;
    if (!reports || rate_ <= 0) {
        waiting_ = false;
        return;
    }
    const bool moved = heard > lastHeard_;
    if (moved) {
        if (stalled_) // moving again after a stall: catch up with it as after an underrun
            anchorDue_ = true;
        stalled_ = false;
        lastHeard_ = heard;
        heardMovedAt_ = now;
    } else if (seconds(now - heardMovedAt_) > kStallSeconds) {
        stalled_ = true;
    }
    const double gap = heard - position_;
    if (stalled_ || std::abs(gap) > kTrustSeconds * std::abs(rate_)) {
        waiting_ = false;
        return;
    }
    if (anchorDue_)
        anchorTo(heard, moved, now);
    if (behind_)
        return;
    if (waiting_) {
        if ((heard < position_ || heard <= anchorHeard_) && now < waitUntil_) {
            speed_ = 0;
            return;
        }
        waiting_ = false;
    }
    const double correction = std::clamp((heard - position_) / (kCatchUpSeconds * rate_), -kSlew, kSlew);
    speed_ = rate_ * (1 + correction);
}

// Sound ahead: jump to it. Sound behind, or not moving yet (the first block has not reached the speaker):
// wait for it, unless it is too far behind to wait for.
void MediaClock::anchorTo(double heard, bool moving, Clock::time_point now) {
    anchorDue_ = false;
    behind_ = position_ - heard > kMaxWaitSeconds * rate_;
    if (behind_)
        return;
    position_ = std::max(position_, heard);
    anchorHeard_ = moving ? -INFINITY : heard;
    waiting_ = heard < position_ || !moving;
    waitUntil_ =
        now + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(kMaxWaitSeconds));
}

bool MediaClock::followsSound() const {
    return running_ && reporting_ && !stalled_ && !behind_ && !anchorDue_;
}

MediaClock::Clock::time_point MediaClock::timeOf(double position) {
    const double ahead = (position - this->position()) / rate_;
    return now_() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(ahead));
}

} // namespace engine::ff
