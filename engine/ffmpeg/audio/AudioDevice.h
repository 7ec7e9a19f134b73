#pragma once
// Where the preview plays its sound. The renderer owns one device; the frames it has made heard drive
// the audio clock (IAudioClock) of the source.
//
// Thread-safety: every member may be called from any engine thread; implementations lock internally.
// Samples are interleaved float in [-1, 1] with the channel count the device reports after open().
#include <cstdint>

namespace engine::ff {

class AudioDevice {
  public:
    virtual ~AudioDevice() = default;

    // Opens for playback; the device starts paused. Returns true when a real device plays the sound;
    // false when it plays silently (no device, driver failure). A silent device behaves like a real
    // one otherwise: it accepts samples and its clock advances with the wall clock, so callers never
    // treat a missing device as an error. Re-opening closes first.
    virtual bool open(int sampleRate, int channels) = 0;
    // Format the device takes samples in: what open() asked for, except that SDL takes at most 8
    // channels (the device converts to what the card plays).
    virtual int sampleRate() const = 0;
    virtual int channels() const = 0;

    // Appends `frames` frames of channels() interleaved samples to the play-out queue.
    virtual void queue(const float* interleaved, int frames) = 0;
    // Frames handed to the speaker since open() (never decreases; clear() does not rewind it).
    virtual int64_t playedFrames() const = 0;
    // Frames heard by now (fractional): played less what is still on its way to the speaker (the device's
    // buffer and the sound server), moving smoothly between the device's callbacks. Never decreases
    // while open and never exceeds playedFrames().
    virtual double heardFrames() const = 0;
    // Frames queued and not yet played.
    virtual int64_t pendingFrames() const = 0;

    virtual void setPaused(bool paused) = 0;
    // Drops everything queued and not yet played (after a seek).
    virtual void clear() = 0;
    // Releases the device; later calls do nothing until the next open().
    virtual void close() = 0;
};

} // namespace engine::ff
