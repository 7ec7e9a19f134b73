#pragma once
// A device for tests: it keeps every sample it is given. It "plays" them at once, or, with
// setManualClock(true), only as far as advance() says (ignoring pause), so tests steer the clock.
// Records pause and clear calls for assertions.
#include <mutex>
#include <vector>

#include "audio/AudioDevice.h"

namespace engine::ff {

class CaptureAudioDevice : public AudioDevice {
  public:
    bool open(int sampleRate, int channels) override; // true
    int sampleRate() const override;
    int channels() const override;
    void queue(const float* interleaved, int frames) override;
    int64_t playedFrames() const override;
    int64_t pendingFrames() const override;
    void setPaused(bool paused) override;
    void clear() override;
    void close() override;

    void setManualClock(bool manual);
    void advance(int64_t frames);        // plays up to `frames` more of what is queued (manual clock)
    std::vector<float> captured() const; // every sample queued since open(), interleaved
    bool paused() const;
    int clearCount() const;

  private:
    mutable std::mutex mutex_;
    int sampleRate_ = 0;
    int channels_ = 0;
    bool open_ = false;
    bool paused_ = true;
    int clears_ = 0;
    bool manual_ = false;
    int64_t queued_ = 0; // frames queued since open(), less those dropped by clear()
    int64_t played_ = 0; // frames played (manual clock)
    std::vector<float> samples_;
};

} // namespace engine::ff
