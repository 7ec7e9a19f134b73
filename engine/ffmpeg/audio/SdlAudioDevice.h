#pragma once
// The default sound device of the machine through SDL2 (the driver follows SDL_AUDIODRIVER). When SDL
// cannot start or open a device, the device falls back to a SilentAudioDevice and open() returns false.
#include <cstdint>

#include "audio/SilentAudioDevice.h"

namespace engine::ff {

class SdlAudioDevice : public LockedAudioDevice {
  public:
    SdlAudioDevice() = default;
    ~SdlAudioDevice() override;
    SdlAudioDevice(const SdlAudioDevice&) = delete;
    SdlAudioDevice& operator=(const SdlAudioDevice&) = delete;

    bool open(int sampleRate, int channels) override;
    void queue(const float* interleaved, int frames) override;
    int64_t playedFrames() const override;
    int64_t pendingFrames() const override;
    void setPaused(bool paused) override;
    void clear() override;
    void close() override;

    // True while SDL plays (false when closed or fallen back to silence).
    bool isReal() const;

  private:
    void closeLocked();
    int64_t pendingLocked() const;

    uint32_t device_ = 0; // SDL_AudioDeviceID, 0 when no SDL device is open
    bool subsystemUp_ = false;
    int64_t queuedTotal_ = 0; // frames ever given to SDL minus frames dropped by clear()
    SilentAudioDevice silent_;
    bool useSilent_ = false;
};

} // namespace engine::ff
