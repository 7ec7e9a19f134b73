#pragma once
// A device with no speaker behind it: queued frames wait as pending until the subclass's clock moves
// them to played. Only the clock, and what open() and clear() add, differ between such devices.
#include <cstdint>

#include "audio/LockedAudioDevice.h"

namespace engine::ff {

class SpeakerlessAudioDevice : public LockedAudioDevice {
  public:
    void queue(const float* interleaved, int frames) final;
    int64_t playedFrames() const final;
    double heardFrames() const final; // no latency: what is played is heard
    int64_t pendingFrames() const final;
    void setPaused(bool paused) final;
    void clear() final; // drops what is pending
    void close() final; // drops what is pending; queue() ignores samples until the next open()

  protected:
    // The hooks and helpers below run with mutex_ held.
    // Starts over: open, paused, nothing played or pending.
    void resetLocked(int sampleRate, int channels);
    // Moves what the clock says has played from pending_ to played_.
    virtual void advanceLocked() const = 0;
    // Sees the samples of each accepted queue() call.
    virtual void keepLocked(const float* /*interleaved*/, int /*frames*/) {}
    virtual void clearedLocked() {}

    bool open_ = false;
    bool paused_ = true;
    mutable int64_t played_ = 0;
    mutable int64_t pending_ = 0;
};

} // namespace engine::ff
