#pragma once
// The key pictures of a clip met so far by its demuxer, and the GOP length they show: what a seek needs
// to judge whether decoding on from where the decoder stands costs less than reading again from the
// key picture before the target.
#include <cstddef>
#include <cstdint>
#include <set>

namespace engine::ff {

class KeyTimes {
  public:
    // A key picture starting at `seconds` (clip time) was read; `serial` tells the reads apart, and two
    // keys read one after the other in the same read give the GOP length.
    void noteRead(double seconds, uint64_t serial);
    // A key picture is known after `from` and at or before `to`.
    bool anyAfter(double from, double to) const;
    // The distance between key pictures, 0 while no two were read one after the other.
    double gopSeconds() const { return gop_; }
    void clear();

  private:
    static constexpr size_t kMaxKept = 1 << 16;
    std::set<double> times_;
    uint64_t lastSerial_ = UINT64_MAX;
    double lastInRead_ = 0;
    double gop_ = 0;
};

} // namespace engine::ff
