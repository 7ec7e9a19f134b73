#pragma once
// Stream ticks and clip seconds, converted in this one place. Clip seconds count from the clip's first
// frame: the origin (a stream's start time) is subtracted here, since broadcast recordings rarely start
// at zero.
#include <cmath>
#include <cstdint>

extern "C" {
#include <libavutil/avutil.h>
#include <libavutil/rational.h>
}

namespace engine::ff {

class StreamTime {
  public:
    StreamTime() = default;
    StreamTime(AVRational timeBase, double originSeconds) : tb_(timeBase), origin_(originSeconds) {}

    bool valid(int64_t ticks) const { return ticks != AV_NOPTS_VALUE; }
    double seconds(int64_t ticks) const { return double(ticks) * av_q2d(tb_) - origin_; }
    // The tick a time lies in (`seconds` a little past a tick, to take it whatever the rounding): where a
    // tick is a frame, a time inside a frame is that frame, not the next.
    int64_t tickHolding(double seconds) const {
        return int64_t(std::floor((seconds + origin_) / av_q2d(tb_)));
    }
    AVRational timeBase() const { return tb_; }

  private:
    AVRational tb_{1, AV_TIME_BASE};
    double origin_ = 0;
};

} // namespace engine::ff
