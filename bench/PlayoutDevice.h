#pragma once
// A sound device for benchmarks that plays like a sound card without one: a thread of its own takes the
// queued samples at the sample rate in wall time (none while paused, and none it does not have: an
// underrun plays silence), and keeps what it played of the left channel with the time it was played.
#include <QString>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "audio/AudioDevice.h"

namespace bench {

// Seconds on the steady clock since the benchmark started; every timestamp of the benchmark uses it.
double now();

class PlayoutDevice : public engine::ff::AudioDevice {
  public:
    PlayoutDevice();
    ~PlayoutDevice() override;

    bool open(int sampleRate, int channels) override;
    int sampleRate() const override;
    int channels() const override;
    void queue(const float* interleaved, int frames) override;
    int64_t playedFrames() const override;
    double heardFrames() const override; // played in real time here: what is played is heard
    int64_t pendingFrames() const override;
    void setPaused(bool paused) override;
    void clear() override;
    void close() override;

    // When each beep started to be heard: where the left channel first rises over half its loudest
    // level after at least 0.3 s below it.
    std::vector<double> beepTimes() const;

  private:
    void run();
    double heardAt(int64_t sample) const; // holds mutex_

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    bool quit_ = false, open_ = false, paused_ = true;
    int rate_ = 48000, channels_ = 2;
    std::vector<float> pending_; // interleaved, oldest first
    size_t pendingStart_ = 0;    // first pending sample in pending_
    int64_t played_ = 0;
    double last_ = 0, owed_ = 0; // time of the last step and the fraction of a frame carried to the next
    std::vector<float> heard_;   // the left channel of everything played
    struct Mark {
        double time;
        int64_t heard; // size of heard_ at that time
    };
    std::vector<Mark> marks_;
    std::thread thread_;
};

} // namespace bench
