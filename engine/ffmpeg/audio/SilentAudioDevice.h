#pragma once
// An audio device without a speaker: it discards the samples at the rate a real device would play
// them, so the audio clock keeps running by the wall clock. Used when no sound device can be opened.
#include <chrono>

#include "audio/SpeakerlessAudioDevice.h"

namespace engine::ff {

class SilentAudioDevice : public SpeakerlessAudioDevice {
  public:
    bool open(int sampleRate, int channels) override; // always false: nothing is heard

  private:
    using Clock = std::chrono::steady_clock;
    void advanceLocked() const override;
    void clearedLocked() override;

    mutable Clock::time_point lastAdvance_{};
    mutable double fraction_ = 0; // frames worth of elapsed time not yet counted
};

} // namespace engine::ff
