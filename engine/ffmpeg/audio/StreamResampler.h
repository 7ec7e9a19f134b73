#pragma once
// Converts the decoded frames of one audio stream to planar float at a fixed rate, keeping the
// stream's channels. Rebuilds its converter when the stream's format changes mid-way.
// Not thread-safe: one owner.
#include <vector>

#include "core/AvPtr.h"

namespace engine::ff {

class StreamResampler {
  public:
    explicit StreamResampler(int outputRate) : outputRate_(outputRate) {}

    // Appends the converted samples of `frame` to planes (one vector per channel of the frame;
    // planes is resized to the frame's channel count). Returns false for a frame it cannot convert.
    bool convert(const AVFrame& frame, std::vector<std::vector<float>>& planes);
    // Appends what the converter still holds (at the end of the stream).
    void flush(std::vector<std::vector<float>>& planes);
    // Forgets the converter's delay line (after a seek).
    void reset();

  private:
    bool configure(const AVFrame& frame);
    // Converts `samples` input samples (none: drain the converter) onto the end of planes.
    bool run(const uint8_t* const* input, int samples, std::vector<std::vector<float>>& planes);

    int outputRate_;
    SwrPtr swr_;
    AVChannelLayout inLayout_{};
    int inRate_ = 0;
    int inFormat_ = -1;
};

} // namespace engine::ff
