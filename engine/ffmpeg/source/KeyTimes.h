#pragma once
// The key pictures of a clip met so far by its demuxer, and the GOP length they show: what a seek needs
// to judge whether decoding on from where the decoder stands costs less than reading again from the
// key picture before the target.
#include <cstddef>
#include <cmath>
#include <cstdint>
#include <set>
#include <vector>

namespace engine::ff {

class KeyTimes {
  public:
    // A key picture starting at `seconds` (clip time) was read; `serial` tells the reads apart, and two
    // keys read one after the other in the same read give the GOP length.
    void noteRead(double seconds, uint64_t serial);
    // The key pictures the container's index lists (clip seconds, in order). `complete`: it lists every
    // picture, so a key picture not among them is not in the clip.
    void seedFromIndex(const std::vector<double>& keys, bool complete);
    // Every key picture of the clip is known.
    bool complete() const { return complete_; }
    // A key picture is known after `from` and at or before `to`.
    bool anyAfter(double from, double to) const;
    // The last key picture known at or before `t` (NaN: none).
    double atOrBefore(double t) const;
    // The distance between key pictures, 0 while no two were read one after the other.
    double gopSeconds() const { return gop_; }
    void clear();

  private:
    static constexpr size_t kMaxKept = 1 << 16;
    std::set<double> times_;
    uint64_t lastSerial_ = UINT64_MAX;
    double lastInRead_ = 0;
    double gop_ = 0;
    bool complete_ = false;
};

} // namespace engine::ff
