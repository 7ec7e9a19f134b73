#pragma once
// A device for tests: it keeps every sample it is given and "plays" them at once, so playedFrames()
// equals the frames queued. Records pause and clear calls for assertions.
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
    int64_t pendingFrames() const override { return 0; }
    void setPaused(bool paused) override;
    void clear() override;
    void close() override;

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
    std::vector<float> samples_;
};

} // namespace engine::ff
