#pragma once
// The preview's sound: routed blocks mixed down to the device's channels, tempo-scaled there when the
// source plays at another rate, queued at most kMaxAhead ahead, and the audio clock that says which
// media time is being heard. The renderer owns one; the source may drive its clock from it
// (ISourceHub::setSoundWanted).
//
// Thread-safety: every member may be called from any thread (one internal lock; the device has its
// own), except that start() and stop() are called from one thread at a time. play() never blocks on
// the device, and no call waits while the device opens or closes.
#include <memory>
#include <mutex>
#include <vector>

#include "audio/AudioDevice.h"
#include "audio/PlayoutTimeline.h"
#include "audio/TempoScaler.h"
#include "core/MediaSink.h"

namespace engine::ff {

class AudioOutput : public IAudioClock {
  public:
    // The most the device's queue holds (wall time): sound beyond it is cut off, never queued late.
    static constexpr double kMaxAheadSeconds = 0.25;

    // Takes the device to play on (SdlAudioDevice in the product, CaptureAudioDevice in tests).
    explicit AudioOutput(std::unique_ptr<AudioDevice> device);
    ~AudioOutput() override;

    // Opens the device for stereo at 48 kHz, paused, unless it is open already. Returns whether sound is
    // heard; a silent device still plays out and keeps the clock, so the caller goes on either way.
    bool start();
    bool started() const;
    // Mixes a routed block down to the device's channels, scales its tempo by the block's rate and
    // queues what fits within kMaxAheadSeconds. Blocks must come in play-out order; one that does not
    // follow the last starts the tempo afresh. Blocks at another sample rate than 48 kHz are not played.
    void play(const AudioBlock& block);
    void setPaused(bool paused);
    // Drops what is queued (seek, re-open); the clock reports nothing until the next block.
    void flush();
    // Closes the device; play() does nothing until the next start().
    void stop();

    // Queued and not yet played.
    double pendingSeconds() const;
    // IAudioClock: the media time being heard (the device's latency taken off); false before any block
    // since start() or flush().
    bool playedPosition(double& mediaSeconds) const override;

  private:
    void tempoScaleLocked(const AudioBlock& block, int frames);
    void enqueueLocked(const float* samples, int frames, double position, double rate);

    std::unique_ptr<AudioDevice> device_;
    mutable std::mutex mutex_;
    mutable PlayoutTimeline timeline_;
    std::vector<float> mixed_;
    std::vector<float> scaled_;
    std::unique_ptr<TempoScaler> tempo_; // at the device's channels
    double tempoNextIn_ = -1;            // media time the next block should start at to follow on
    double tempoNextOut_ = 0;            // media time of the scaler's next output sample
    bool started_ = false;
    bool audible_ = false;
};

} // namespace engine::ff
