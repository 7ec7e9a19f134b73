#pragma once
// Closed captions (CEA-608, CC1) carried in the video stream as A53 side data, decoded with FFmpeg's
// EIA-608 decoder. The file source feeds the side data of every decoded picture in display order and
// asks for the screen to show with that picture.
//
// Not thread-safe: one owner (the source's video decode thread).
#include <cstdint>
#include <memory>

#include <vector>

#include "captions/Cc1Filter.h"
#include "captions/TimedCaptions.h"

namespace engine::ff {

class CaptionDecoder : public TimedCaptions {
  public:
    CaptionDecoder();
    // False when the linked FFmpeg has no EIA-608 decoder (then no caption ever shows).
    bool ok() const { return ctx_ != nullptr; }

    // cc_data triplets (cc_valid/cc_type byte, two data bytes) as in AV_FRAME_DATA_A53_CC, carried by
    // the picture shown at mediaTime seconds.
    void feed(const uint8_t* ccData, size_t size, double mediaTime);
    // The A53 side data of a decoded picture, if it has any.
    void feedFrame(const AVFrame& frame, double mediaTime);

    // Also forgets which data channel the stream was in.
    void reset() {
        TimedCaptions::reset();
        cc1_.reset();
    }

  private:
    AVPacketPtr packet_;
    Cc1Filter cc1_;
    std::vector<uint8_t> kept_;
};

} // namespace engine::ff
