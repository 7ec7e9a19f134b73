#pragma once
// A device for tests: it keeps every sample it is given. It "plays" them at once, or, with
// setManualClock(true), only as far as advance() says (ignoring pause), so tests steer the clock.
// Records pause and clear calls for assertions.
#include <vector>

#include "audio/SpeakerlessAudioDevice.h"

namespace engine::ff {

class CaptureAudioDevice : public SpeakerlessAudioDevice {
  public:
    bool open(int sampleRate, int channels) override; // true

    void setManualClock(bool manual);
    void advance(int64_t frames);        // plays up to `frames` more of what is queued (manual clock)
    std::vector<float> captured() const; // every sample queued since open(), interleaved
    bool paused() const;
    int clearCount() const;

  private:
    void advanceLocked() const override;
    void keepLocked(const float* interleaved, int frames) override;
    void clearedLocked() override;

    int clears_ = 0;
    bool manual_ = false;
    std::vector<float> samples_;
};

} // namespace engine::ff
