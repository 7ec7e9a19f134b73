#pragma once
// An audio device without a speaker: it discards the samples at the rate a real device would play
// them, so the audio clock keeps running by the wall clock. Used when no sound device can be opened.
#include <chrono>
#include <mutex>

#include "audio/AudioDevice.h"

namespace engine::ff {

class SilentAudioDevice : public AudioDevice {
  public:
    bool open(int sampleRate, int channels) override; // always false: nothing is heard
    int sampleRate() const override;
    int channels() const override;
    void queue(const float* interleaved, int frames) override;
    int64_t playedFrames() const override;
    int64_t pendingFrames() const override;
    void setPaused(bool paused) override;
    void clear() override;
    void close() override;

  private:
    using Clock = std::chrono::steady_clock;
    // Moves queued frames to played as wall time passes; call with mutex_ held.
    void advance() const;

    mutable std::mutex mutex_;
    int sampleRate_ = 0;
    int channels_ = 0;
    bool open_ = false;
    bool paused_ = true;
    mutable int64_t played_ = 0;
    mutable int64_t pending_ = 0;
    mutable Clock::time_point lastAdvance_{};
    mutable double fraction_ = 0; // frames worth of elapsed time not yet counted
};

} // namespace engine::ff
