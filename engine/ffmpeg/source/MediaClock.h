#pragma once
// The source's one clock: maps steady time to media position, with rate and pause. While an audio
// device plays the source, its played position drives the clock instead of the steady clock.
#include <chrono>

namespace engine::ff {

class IAudioClock;

class MediaClock {
  public:
    using Clock = std::chrono::steady_clock;

    // `audio` is where the owner keeps the current audio clock (nullptr: the steady clock drives). It is
    // read afresh on every use, under the lock that guards it, so that once the owner has cleared it
    // under that lock the old audio clock is never asked again and may go.
    explicit MediaClock(const IAudioClock* const& audio) : audio_(audio) {}

    void start(double position, double rate);
    void stop(double position);
    bool running() const { return running_; }
    double rate() const { return rate_; }
    // Media position now.
    double position() const;
    // Steady time at which the running clock reaches `position`.
    Clock::time_point timeOf(double position) const;

  private:
    bool running_ = false;
    double rate_ = 1.0;
    double anchorPosition_ = 0;
    Clock::time_point anchorTime_{};
    const IAudioClock* const& audio_;
};

} // namespace engine::ff
