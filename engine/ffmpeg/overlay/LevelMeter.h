#pragma once
// Level of each routed channel for the VU overlay, in dBFS (0 = full scale, kFloorDb = silence).
// RMS is integrated over about 300 ms of audio (exponential), so a steady sine peaking at -20 dBFS
// reads about -23 dBFS. Peak holds for 1.5 s of audio and then falls at 20 dB/s. Time is audio time:
// the meter moves as audio is fed and stands still while nothing plays (reset() when playback stops
// if the bars should drop).
//
// Thread-safety: all members may be called from any thread (the audio thread feeds, the render
// thread reads); one internal lock.
#include <mutex>
#include <vector>

namespace engine::ff {

struct ChannelLevel {
    float rmsDb = -90.f;
    float peakDb = -90.f;
};

class LevelMeter {
  public:
    static constexpr float kFloorDb = -90.f;

    explicit LevelMeter(int channels = 16);

    // Interleaved float samples of `channels` channels at sampleRate.
    void add(const float* interleaved, int frames, int sampleRate);
    std::vector<ChannelLevel> levels() const;
    int channels() const { return channels_; }
    // Back to silence (a new clip, a seek).
    void reset();

  private:
    struct State {
        double meanSquare = 0;
        float peak = 0;         // linear
        double heldSeconds = 0; // audio time since the peak was set
    };
    int channels_;
    mutable std::mutex mutex_;
    std::vector<State> state_;
};

// Linear amplitude to dBFS, kFloorDb for silence.
float toDbfs(double amplitude);

} // namespace engine::ff
