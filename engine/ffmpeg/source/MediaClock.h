#pragma once
// The source's one clock: maps steady time to media position, with rate and pause. While an audio
// device plays the source, its played position drives the clock instead of the steady clock.
#include <chrono>

namespace engine::ff {

class IAudioClock;

class MediaClock {
  public:
    using Clock = std::chrono::steady_clock;

    void start(double position, double rate);
    void stop(double position);
    bool running() const { return running_; }
    double rate() const { return rate_; }
    // Media position now.
    double position() const;
    // Steady time at which the running clock reaches `position`.
    Clock::time_point timeOf(double position) const;
    // nullptr: the steady clock drives. The caller keeps the audio clock alive while it is set.
    void setAudioClock(const IAudioClock* audio) { audio_ = audio; }

  private:
    bool running_ = false;
    double rate_ = 1.0;
    double anchorPosition_ = 0;
    Clock::time_point anchorTime_{};
    const IAudioClock* audio_ = nullptr;
};

} // namespace engine::ff
