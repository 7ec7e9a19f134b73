// MPEG-TS being written: no footer, so never complete by itself (the source's no-growth rule ends it).
// Its end is the presentation time of the last whole picture near the end of what is on disk, read from
// the PES headers of the video stream's packets.
#include <algorithm>
#include <vector>

#include "io/ByteReading.h"
#include "io/ContainerProbes.h"

extern "C" {
#include <libavformat/avformat.h>
}

namespace engine::ff {
namespace {

constexpr int kPacket = 188;
constexpr uint8_t kSync = 0x47;
constexpr int64_t kFirstWindow = 256 * 1024;
constexpr int64_t kLastWindow = 8 * 1024 * 1024;
constexpr int64_t kPtsWrap = int64_t(1) << 33;
constexpr int64_t kBeforeStart = int64_t(90000) * 60; // a minute, in 90 kHz ticks

// The first offset in `buf` where several packets in a row start with the sync byte.
int syncOffset(const std::vector<uint8_t>& buf) {
    constexpr int kRun = 5;
    for (int at = 0; at < kPacket; ++at) {
        int run = 0;
        while (run < kRun && at + int64_t(run + 1) * kPacket <= int64_t(buf.size()) && buf[size_t(at + run * kPacket)] == kSync)
            ++run;
        if (run == kRun || (run > 0 && at + int64_t(run + 1) * kPacket > int64_t(buf.size())))
            return at;
    }
    return -1;
}

// The PTS of a PES header starting in the payload of this packet of `pid`, if it has one.
std::optional<int64_t> pesStartPts(const uint8_t* p, int pid) {
    const bool unitStart = p[1] & 0x40;
    if (!unitStart || (((p[1] & 0x1F) << 8) | p[2]) != pid)
        return std::nullopt;
    const int control = (p[3] >> 4) & 3;
    int at = 4;
    if (control & 2)
        at += 1 + p[4];
    if (!(control & 1) || at + 14 > kPacket)
        return std::nullopt;
    const uint8_t* pes = p + at;
    if (pes[0] != 0 || pes[1] != 0 || pes[2] != 1 || !(pes[7] & 0x80))
        return std::nullopt;
    const uint8_t* t = pes + 9;
    return (int64_t(t[0] & 0x0E) << 29) | (int64_t(t[1]) << 22) | (int64_t(t[2] & 0xFE) << 14) |
           (int64_t(t[3]) << 7) | (t[4] >> 1);
}

class TsGrowthProbe final : public GrowthProbe {
  public:
    explicit TsGrowthProbe(const AVStream* video)
        : pid_(video ? video->id : -1), timeBase_(video ? video->time_base : AVRational{1, 90000}),
          start_(video ? video->start_time : AV_NOPTS_VALUE),
          frame_(video && video->avg_frame_rate.num > 0 ? av_q2d(av_inv_q(video->avg_frame_rate)) : 0) {}

    bool complete(ByteSource&, int64_t) override { return false; }

    std::optional<double> endSeconds(ByteSource& bytes, int64_t size) override {
        if (pid_ < 0)
            return std::nullopt;
        // Widen the window back from the end until it holds a whole picture: a PES start followed by another.
        for (int64_t window = kFirstWindow;; window *= 2) {
            const int64_t from = std::max<int64_t>(0, size - window);
            if (const auto pts = lastWholePicturePts(bytes, from, size))
                return double(*pts) * av_q2d(timeBase_) + frame_;
            if (from == 0 || window >= kLastWindow)
                return std::nullopt;
        }
    }

  private:
    // The latest presentation time among the pictures that start in [from, to) and end before `to`.
    std::optional<int64_t> lastWholePicturePts(ByteSource& bytes, int64_t from, int64_t to) const {
        std::vector<uint8_t> buf(size_t(to - from));
        const int64_t got = readUpTo(bytes, from, buf.data(), int64_t(buf.size()));
        if (got <= 0)
            return std::nullopt;
        buf.resize(size_t(got));
        const int at = syncOffset(buf);
        if (at < 0)
            return std::nullopt;
        std::vector<int64_t> starts;
        for (size_t p = size_t(at); p + kPacket <= buf.size(); p += kPacket)
            if (buf[p] == kSync)
                if (const auto pts = pesStartPts(buf.data() + p, pid_))
                    starts.push_back(unwrapped(*pts));
        if (starts.size() < 2)
            return std::nullopt;
        return *std::max_element(starts.begin(), starts.end() - 1);
    }

    // The PTS on the stream's own time line, past any 33-bit wrap since its start (a little before the
    // start stays before it: pictures shown before the first one read).
    int64_t unwrapped(int64_t pts) const {
        if (start_ == AV_NOPTS_VALUE)
            return pts;
        int64_t sinceStart = ((pts - start_) % kPtsWrap + kPtsWrap) % kPtsWrap;
        if (sinceStart > kPtsWrap - kBeforeStart)
            sinceStart -= kPtsWrap;
        return start_ + sinceStart;
    }

    const int pid_;
    const AVRational timeBase_;
    const int64_t start_;
    const double frame_;
};

} // namespace

std::unique_ptr<GrowthProbe> makeTsGrowthProbe(const AVStream* video) {
    return std::make_unique<TsGrowthProbe>(video);
}

} // namespace engine::ff
