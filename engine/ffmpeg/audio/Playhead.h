#pragma once
// Where a callback-driven device's play head is. At each callback the device takes a chunk from its
// queue; that chunk is heard after the device's buffer (the chunk itself) and the sound server's own
// delay. Between callbacks the play head moves on with the steady clock, never past what was taken, and
// never backwards (a chunk that follows a short one is heard only once the silence before it played).
//
// Not thread-safe: the device locks.
#include <chrono>
#include <cstdint>

namespace engine::ff {

class Playhead {
  public:
    using Clock = std::chrono::steady_clock;

    // `serverFrames`: the delay after the device's buffer (sound server, driver), in frames.
    void restart(int sampleRate, int64_t serverFrames);
    // A callback at `at` took `frames` from the queue (0 when the queue was empty).
    void took(int64_t frames, Clock::time_point at);
    // Frames taken from the queue since restart().
    int64_t taken() const { return taken_; }
    // Frames heard by `now` (fractional).
    double heard(Clock::time_point now) const;

  private:
    int sampleRate_ = 48000;
    int64_t serverFrames_ = 0;
    int64_t taken_ = 0;
    int64_t lastChunk_ = 0;          // frames the last callback that took any took
    Clock::time_point lastTakeAt_{}; // when it took them
    mutable double heard_ = 0;       // the most ever reported
};

} // namespace engine::ff
