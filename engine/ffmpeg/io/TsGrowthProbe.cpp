// MPEG-TS being written: no footer, so never complete by itself (the source's no-growth rule ends it).
// Its end is the presentation time of the last whole picture near the end of what is on disk, and its
// seek points near the end are the key pictures there, both read from the PES headers of the video
// stream's packets. FFmpeg's own seek lands on any packet near the time, so near the live edge the next
// key picture may not be written yet.
#include <algorithm>
#include <vector>

#include "io/ByteReading.h"
#include "io/ContainerProbes.h"
#include "io/KeyPicture.h"

extern "C" {
#include <libavformat/avformat.h>
}

namespace engine::ff {
namespace {

constexpr int kPacket = 188;
constexpr uint8_t kSync = 0x47;
constexpr int64_t kFirstWindow = 256 * 1024;
// How far back from the end the probe looks for a picture's start or a key picture; further back
// FFmpeg's own seek is left to find its way.
constexpr int64_t kLookBack = 16 * 1024 * 1024;
constexpr int64_t kPtsWrap = int64_t(1) << 33;
constexpr int64_t kBeforeStart = int64_t(90000) * 60; // a minute, in 90 kHz ticks

// The first offset in `buf` where several packets in a row start with the sync byte.
int syncOffset(const std::vector<uint8_t>& buf) {
    constexpr int kRun = 5;
    for (int at = 0; at < kPacket; ++at) {
        int run = 0;
        while (run < kRun && at + int64_t(run + 1) * kPacket <= int64_t(buf.size()) &&
               buf[size_t(at + run * kPacket)] == kSync)
            ++run;
        if (run == kRun || (run > 0 && at + int64_t(run + 1) * kPacket > int64_t(buf.size())))
            return at;
    }
    return -1;
}

// A picture's PES header in a packet of the video stream.
struct PesStart {
    int64_t pos = 0; // of the TS packet
    int64_t pts = 0; // as written (33 bits)
    bool key = false;
};

std::optional<PesStart> pesStartIn(const uint8_t* p, int pid, AVCodecID codec) {
    const bool unitStart = p[1] & 0x40;
    if (!unitStart || (((p[1] & 0x1F) << 8) | p[2]) != pid)
        return std::nullopt;
    const int control = (p[3] >> 4) & 3;
    int at = 4;
    bool randomAccess = false;
    if (control & 2) {
        randomAccess = p[4] > 0 && (p[5] & 0x40);
        at += 1 + p[4];
    }
    if (!(control & 1) || at + 14 > kPacket)
        return std::nullopt;
    const uint8_t* pes = p + at;
    if (pes[0] != 0 || pes[1] != 0 || pes[2] != 1 || !(pes[7] & 0x80))
        return std::nullopt;
    const uint8_t* t = pes + 9;
    PesStart start;
    start.pts = (int64_t(t[0] & 0x0E) << 29) | (int64_t(t[1]) << 22) | (int64_t(t[2] & 0xFE) << 14) |
                (int64_t(t[3]) << 7) | (t[4] >> 1);
    const int payload = at + 9 + pes[8];
    start.key = randomAccess || (payload < kPacket && keyPictureAt(codec, p + payload, kPacket - payload) == 0);
    return start;
}

class TsGrowthProbe final : public GrowthProbe {
  public:
    explicit TsGrowthProbe(const AVStream* video)
        : pid_(video ? video->id : -1), codec_(video ? video->codecpar->codec_id : AV_CODEC_ID_NONE),
          timeBase_(video ? video->time_base : AVRational{1, 90000}),
          start_(video ? video->start_time : AV_NOPTS_VALUE),
          frame_(video && video->avg_frame_rate.num > 0 ? av_q2d(av_inv_q(video->avg_frame_rate)) : 0) {}

    bool complete(ByteSource&, int64_t) override { return false; }

    std::optional<double> endSeconds(ByteSource& bytes, int64_t size) override {
        if (pid_ < 0)
            return std::nullopt;
        // Widen the window back from the end until it holds a whole picture: a PES start followed by another.
        for (int64_t window = kFirstWindow;; window *= 2) {
            const int64_t from = std::max<int64_t>(0, size - window);
            const std::vector<PesStart> starts = pesStarts(bytes, from, size);
            if (starts.size() >= 2) {
                const auto latest = std::max_element(starts.begin(), starts.end() - 1,
                                                     [](const PesStart& a, const PesStart& b) { return a.pts < b.pts; });
                return seconds(latest->pts) + frame_;
            }
            if (from == 0 || window >= kLookBack)
                return std::nullopt;
        }
    }

    std::optional<GrownSeekPoint> seekPoint(ByteSource& bytes, int64_t size, double target) override {
        if (pid_ < 0)
            return std::nullopt;
        const double slack = frame_ / 2;
        // Windows back from the end (overlapping by a packet): the first one with a key picture at or
        // before the target holds the latest such key.
        for (int64_t to = size; to > 0 && size - to < kLookBack;) {
            const int64_t from = std::max<int64_t>(0, to - kFirstWindow);
            const std::vector<PesStart> starts = pesStarts(bytes, from, std::min(size, to + kPacket));
            for (auto it = starts.rbegin(); it != starts.rend(); ++it)
                if (it->key && seconds(it->pts) <= target + slack)
                    return GrownSeekPoint{it->pos, seconds(it->pts), seconds(it->pts)};
            to = from;
        }
        return std::nullopt;
    }

  private:
    // The video stream's PES starts among the packets in [from, to), their PTS unwrapped.
    std::vector<PesStart> pesStarts(ByteSource& bytes, int64_t from, int64_t to) const {
        std::vector<uint8_t> buf(static_cast<size_t>(to - from));
        const int64_t got = readUpTo(bytes, from, buf.data(), int64_t(buf.size()));
        std::vector<PesStart> starts;
        if (got <= 0)
            return starts;
        buf.resize(size_t(got));
        const int at = syncOffset(buf);
        if (at < 0)
            return starts;
        for (size_t p = size_t(at); p + kPacket <= buf.size(); p += kPacket)
            if (buf[p] == kSync)
                if (auto start = pesStartIn(buf.data() + p, pid_, codec_)) {
                    start->pos = from + int64_t(p);
                    start->pts = unwrapped(start->pts);
                    starts.push_back(*start);
                }
        return starts;
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

    double seconds(int64_t pts) const { return double(pts) * av_q2d(timeBase_); }

    const int pid_;
    const AVCodecID codec_;
    const AVRational timeBase_;
    const int64_t start_;
    const double frame_;
};

} // namespace

std::unique_ptr<GrowthProbe> makeTsGrowthProbe(const AVStream* video) {
    return std::make_unique<TsGrowthProbe>(video);
}

} // namespace engine::ff
