#pragma once
// A renderer's sound: the 16 routed channels mixed down to the device, tempo-scaled at rates other
// than 1 (pitch kept), queued on the device; and the device's played position in media time, which
// the source's clock follows while the device plays.
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

#include "audio/AudioDevice.h"
#include "audio/TempoScaler.h"
#include "core/MediaSink.h"

namespace engine::ff {

using AudioDeviceFactory = std::function<std::unique_ptr<AudioDevice>()>;

class AudioOutput final : public IAudioClock {
  public:
    explicit AudioOutput(AudioDeviceFactory makeDevice);
    ~AudioOutput() override;

    void setEnabled(bool on); // opens or releases the device
    void play(const AudioBlock& block);
    void setRunning(bool running);
    void discontinuity(); // drops what is queued (a seek, another clip)
    bool playedPosition(double& mediaSeconds) const override;

  private:
    struct Segment {
        int64_t deviceFrame; // device frame count where this stretch starts
        double media;        // media seconds of its first sample
        double rate;
    };
    mutable std::mutex m_;
    AudioDeviceFactory makeDevice_;
    std::unique_ptr<AudioDevice> device_; // null while disabled
    std::unique_ptr<TempoScaler> tempo_;
    std::vector<float> mixed_, scaled_;
    std::deque<Segment> segments_;
    int64_t queuedEnd_ = 0; // device frame count after the last queued frame
    double nextMedia_ = -1; // media time following the last block played
};

} // namespace engine::ff
