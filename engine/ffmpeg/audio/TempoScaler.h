#pragma once
// Plays routed audio faster or slower without changing its pitch (libavfilter atempo). Each atempo
// stage is kept within 0.5..2.0, where it sounds clean, and stages are chained for larger changes
// (4x = 2.0 * 2.0). Works on interleaved float blocks of a fixed channel count at a fixed rate.
// At rate 1 samples pass through untouched.
//
// Not thread-safe: one owner (the audio thread). setRate() takes effect at once; audio held inside
// the filter at that moment is dropped (a few milliseconds).
#include <vector>

#include "core/AvPtr.h"

namespace engine::ff {

class TempoScaler {
  public:
    static constexpr double kMinRate = 0.25;
    static constexpr double kMaxRate = 16.0;

    TempoScaler(int channels, int sampleRate);

    // Clamped to [kMinRate, kMaxRate]; returns false when the filter cannot be built (the scaler
    // then passes audio through at rate 1).
    bool setRate(double rate);
    double rate() const { return rate_; }

    // Appends the tempo-scaled output of `frames` input frames to out (about frames / rate frames;
    // the filter holds back a little that comes out with later input or flush()).
    void process(const float* interleaved, int frames, std::vector<float>& out);
    // Appends what the filter still holds (at the end of the audio).
    void flush(std::vector<float>& out);
    // Drops what the filter holds (after a seek).
    void reset();

    // The atempo factors used for `rate`, each within 0.5..2.0, whose product is rate.
    static std::vector<double> stageFactors(double rate);

  private:
    bool build();
    void collect(std::vector<float>& out);

    int channels_;
    int sampleRate_;
    double rate_ = 1.0;
    int64_t nextPts_ = 0;
    AVFilterGraphPtr graph_;
    AVFilterContext* source_ = nullptr; // owned by graph_
    AVFilterContext* sink_ = nullptr;   // owned by graph_
};

} // namespace engine::ff
