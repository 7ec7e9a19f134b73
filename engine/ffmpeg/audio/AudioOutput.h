#pragma once
// The preview's sound: routed blocks mixed down to the device and played, and the audio clock that
// says which media time is being heard. The renderer owns one; the source may drive its clock from it
// (ISourceHub::setSoundWanted).
//
// Thread-safety: every member may be called from any thread (one internal lock; the device has its
// own). play() never blocks on the device: the caller paces itself with pendingSeconds().
#include <memory>
#include <mutex>
#include <vector>

#include "audio/AudioDevice.h"
#include "audio/PlayoutTimeline.h"
#include "core/MediaSink.h"

namespace engine::ff {

class AudioOutput : public IAudioClock {
  public:
    // Takes the device to play on (SdlAudioDevice in the product, CaptureAudioDevice in tests).
    explicit AudioOutput(std::unique_ptr<AudioDevice> device);
    ~AudioOutput() override;

    // Opens the device for stereo at 48 kHz, paused. Returns whether sound is heard; a silent
    // device still plays out and keeps the clock, so the caller goes on either way.
    bool start();
    // Mixes a routed block down to the device's channels and queues it. Blocks must come in
    // play-out order; the block's rate says how much media time it covers (tempo-scaled audio).
    // Blocks at another sample rate than 48 kHz are not played.
    void play(const AudioBlock& block);
    void setPaused(bool paused);
    // Drops what is queued (seek, re-open); the clock reports nothing until the next block.
    void flush();
    // Closes the device; play() does nothing until the next start().
    void stop();

    // Queued and not yet heard.
    double pendingSeconds() const;
    // IAudioClock: the media time being heard; false before any block since start() or flush().
    bool playedPosition(double& mediaSeconds) const override;

  private:
    std::unique_ptr<AudioDevice> device_;
    mutable std::mutex mutex_;
    mutable PlayoutTimeline timeline_;
    std::vector<float> mixed_;
    bool started_ = false;
};

} // namespace engine::ff
