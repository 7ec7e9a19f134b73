#pragma once
// The default sound device of the machine through SDL2 (the driver follows SDL_AUDIODRIVER). When SDL
// cannot start or open a device, the device falls back to a SilentAudioDevice and open() returns false.
//
// SDL's audio thread pulls from our own queue, so each callback is seen: the frames heard are what the
// callbacks took, less SDL's buffer and the sound server's delay, moved on by the steady clock between
// callbacks (Playhead).
#include <cstdint>
#include <deque>

#include "audio/Playhead.h"
#include "audio/SilentAudioDevice.h"

namespace engine::ff {

class SdlAudioDevice : public LockedAudioDevice {
  public:
    // What a sound server (PulseAudio, PipeWire) or ALSA holds after SDL's buffer: about one period of
    // its own. The dummy and disk drivers hold nothing.
    static constexpr double kServerDelaySeconds = 0.02;

    SdlAudioDevice() = default;
    ~SdlAudioDevice() override;
    SdlAudioDevice(const SdlAudioDevice&) = delete;
    SdlAudioDevice& operator=(const SdlAudioDevice&) = delete;

    bool open(int sampleRate, int channels) override;
    void queue(const float* interleaved, int frames) override;
    int64_t playedFrames() const override;
    double heardFrames() const override;
    int64_t pendingFrames() const override;
    void setPaused(bool paused) override;
    void clear() override;
    void close() override;

    // True while SDL plays (false when closed or fallen back to silence).
    bool isReal() const;

  private:
    static void feed(void* self, uint8_t* stream, int bytes); // SDL's audio thread
    void closeLocked();

    // mutex_ guards the fields below, queueMutex_ the queue: SDL's audio thread takes only queueMutex_,
    // and SDL calls that lock the device (pause, close) are made without it.
    uint32_t device_ = 0; // SDL_AudioDeviceID, 0 when no SDL device is open
    bool subsystemUp_ = false;
    SilentAudioDevice silent_;
    bool useSilent_ = false;

    mutable std::mutex queueMutex_;
    std::deque<float> queue_; // interleaved, not yet taken by SDL
    int queueChannels_ = 1;
    Playhead playhead_;
};

} // namespace engine::ff
