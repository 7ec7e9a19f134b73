#pragma once
// The pictures of an MPEG transport stream's video stream as its PES headers tell them: where each one
// starts, its presentation time and whether decoding can start there. FFmpeg's own seek in a transport
// stream lands on any packet near a time, and a file still being written has no end to measure; these
// read the packets' headers themselves.
#include <cstdint>
#include <optional>
#include <vector>

#include "engine_ffmpeg/ByteSource.h"
#include "io/GrowthProbe.h"

extern "C" {
#include <libavcodec/codec_id.h>
#include <libavutil/rational.h>
}

struct AVStream;

namespace engine::ff {

struct TsPictureStart {
    int64_t pos = 0; // of the TS packet
    int64_t pts = 0; // on the stream's time line (past any 33-bit wrap since its start)
    bool key = false;
};

class TsVideoPes {
  public:
    static constexpr int kPacket = 188;

    explicit TsVideoPes(const AVStream* video); // null: no video stream (nothing is found)

    // The picture starts among the packets in [from, to).
    std::vector<TsPictureStart> starts(ByteSource& bytes, int64_t from, int64_t to) const;
    // The last key picture shown at or before `seconds` (the stream's time line) among the packets
    // before `end`, looking back at most `lookBack` bytes.
    std::optional<GrownSeekPoint> keyBefore(ByteSource& bytes, int64_t end, double seconds, int64_t lookBack) const;
    // Where the first picture shown after `seconds` starts among the packets in [from, to).
    std::optional<int64_t> firstAfter(ByteSource& bytes, int64_t from, int64_t to, double seconds) const;
    double seconds(int64_t pts) const { return double(pts) * av_q2d(timeBase_); }
    double frameSeconds() const { return frame_; }
    bool hasVideo() const { return pid_ >= 0; }

  private:
    int64_t unwrapped(int64_t pts) const;

    int pid_ = -1;
    AVCodecID codec_ = AV_CODEC_ID_NONE;
    AVRational timeBase_{1, 90000};
    int64_t start_ = INT64_MIN; // no start known
    double frame_ = 0;
};

} // namespace engine::ff
