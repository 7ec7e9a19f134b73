#pragma once
// What every device keeps behind its one mutex: the format it was opened with.
#include <mutex>

#include "audio/AudioDevice.h"

namespace engine::ff {

class LockedAudioDevice : public AudioDevice {
  public:
    int sampleRate() const final {
        std::lock_guard lock(mutex_);
        return sampleRate_;
    }
    int channels() const final {
        std::lock_guard lock(mutex_);
        return channels_;
    }

  protected:
    mutable std::mutex mutex_;
    int sampleRate_ = 0; // guarded by mutex_, like every member a subclass adds
    int channels_ = 0;
};

} // namespace engine::ff
