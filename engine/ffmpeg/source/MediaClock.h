#pragma once
// The source's one clock: maps steady time to media position, with rate and pause. While the sound's
// owner reports the position heard (IAudioClock), the clock follows it:
// - it re-anchors to it when it starts (seek, play, rate change, end of an underrun) and whenever the
//   sound starts to report afresh (a new owner, sound resent after a flush, a device that moves again
//   after a stall): forward by a jump, or, when the sound is behind or not moving yet (its first block
//   has not reached the speaker), by waiting for it (at most kMaxWaitSeconds at the rate), so the first
//   picture and its sound go out together; sound further behind than that is not followed until it
//   starts afresh (the presenter resends it from the clock's position);
// - otherwise it slews toward it: it runs between (1 - kSlew) and (1 + kSlew) times the rate, closing
//   the gap over about kCatchUpSeconds, and never jumps;
// - it ignores the sound while the sound is more than kTrustSeconds (at the rate) away from it, or has
//   not moved for kStallSeconds: a device that stalls or reports nonsense can neither freeze the clock
//   nor make it run away; it then runs on steady time at the rate.
// Without sound it runs on steady time at the rate. A running clock never goes backwards.
//
// Used by one thread at a time (the presenter, under the source's lock).
#include <chrono>
#include <functional>

namespace engine::ff {

class IAudioClock;

class MediaClock {
  public:
    using Clock = std::chrono::steady_clock;
    using Now = std::function<Clock::time_point()>;

    static constexpr double kSlew = 0.05;
    static constexpr double kCatchUpSeconds = 0.5;
    static constexpr double kMaxWaitSeconds = 0.3;
    static constexpr double kTrustSeconds = 0.5;
    static constexpr double kStallSeconds = 0.2;

    // `audio` is where the owner keeps the current audio clock (nullptr: the steady clock drives). It is
    // read afresh on every use, under the lock that guards it, so that once the owner has cleared it
    // under that lock the old audio clock is never asked again and may go. `now` is the steady clock
    // (tests give their own).
    explicit MediaClock(const IAudioClock* const& audio, Now now = Clock::now);

    void start(double position, double rate);
    void stop(double position);
    bool running() const { return running_; }
    double rate() const { return rate_; }
    // True while the running clock follows the sound (as of the last position()): false without sound,
    // while the sound stalls, reports nonsense or came back too late to wait for.
    bool followsSound() const;
    // Media position now.
    double position();
    // Steady time at which the running clock reaches `position`.
    Clock::time_point timeOf(double position);

  private:
    void follow(Clock::time_point now);
    // The next report of the sound anchors the clock, whatever came before.
    void anchorAfresh(Clock::time_point now);
    void anchorTo(double heard, bool moving, Clock::time_point now);

    const IAudioClock* const& audio_;
    Now now_;
    bool running_ = false;
    double rate_ = 1.0;
    double position_ = 0; // at time_
    Clock::time_point time_{};
    double speed_ = 1.0; // media seconds per steady second from time_ on

    // Following the sound.
    const IAudioClock* followed_ = nullptr; // compared only, never called
    bool reporting_ = false;                // the sound reported at the last look
    bool anchorDue_ = false;
    bool stalled_ = false;
    bool behind_ = false; // came back too late to wait for
    double lastHeard_ = 0;
    Clock::time_point heardMovedAt_{};
    bool waiting_ = false; // for the sound to reach the clock and move past anchorHeard_
    double anchorHeard_ = 0;
    Clock::time_point waitUntil_{}; // but no longer than this
};

} // namespace engine::ff
