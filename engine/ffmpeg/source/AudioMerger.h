#pragma once
// Joins the audio streams of a clip into one run of source channels: each stream's samples are placed
// by their timestamps (gaps filled with silence, overlaps dropped), and blocks are handed out only as
// far as every live stream reaches, so 16 mono tracks line up as one 16-channel track would. A stream
// that lags the furthest one by more than kMaxLagFrames (it ended early without saying so, its packets
// fail to decode, or it is sparse) is not waited for: its channels are silent where it has nothing,
// and what it delivers late is dropped. Memory stays bounded by that lag.
#include <deque>
#include <vector>

#include "source/MediaReader.h"

namespace engine::ff {

class AudioMerger {
  public:
    static constexpr int kSampleRate = 48000;
    static constexpr int64_t kMaxLagFrames = kSampleRate / 2;

    void configure(std::vector<int> channelsPerStream);
    int channels() const { return totalChannels_; }
    // Drops everything; the next block starts at `position`.
    void reset(double position);
    // The next block starts at `position`; what is buffered from there on is kept.
    void skipTo(double position);
    // Interleaved samples of stream `stream` starting at `position`.
    void push(int stream, double position, const float* samples, int frames);
    void endStream(int stream);
    void endAll();
    // The next block when enough is buffered (or all that is left once every stream ended).
    SourceAudioHandle pull();
    // Nothing buffered in any stream.
    bool empty() const;

  private:
    struct Track {
        int channels = 0;
        int64_t start = 0; // sample index of samples.front()
        std::deque<float> samples;
        bool ended = false;
        // Nothing kept since the reset: no run of samples to follow on from, so the first is placed
        // by its timestamp alone (not drawn to the reset position when it starts just before it).
        bool fresh = true;
        int64_t end() const { return start + int64_t(samples.size()) / channels; }
    };
    void dropBefore(Track& t, int64_t index);
    std::vector<Track> tracks_;
    int totalChannels_ = 0;
    int64_t cursor_ = 0; // sample index of the next block
};

} // namespace engine::ff
