#include "io/TsPes.h"

#include "io/ByteReading.h"
#include "io/KeyPicture.h"

extern "C" {
#include <libavformat/avformat.h>
}

namespace engine::ff {
namespace {

constexpr int kPacket = TsVideoPes::kPacket;
constexpr uint8_t kSync = 0x47;
constexpr int64_t kWindow = 256 * 1024;
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

// A picture's PES header in a packet of the video stream (its PTS as written, 33 bits).
std::optional<TsPictureStart> pesStartIn(const uint8_t* p, int pid, AVCodecID codec) {
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
    TsPictureStart start;
    start.pts = (int64_t(t[0] & 0x0E) << 29) | (int64_t(t[1]) << 22) | (int64_t(t[2] & 0xFE) << 14) |
                (int64_t(t[3]) << 7) | (t[4] >> 1);
    const int payload = at + 9 + pes[8];
    start.key = randomAccess || (payload < kPacket && keyPictureAt(codec, p + payload, kPacket - payload) == 0);
    return start;
}

} // namespace

TsVideoPes::TsVideoPes(const AVStream* video) {
    if (!video)
        return;
    pid_ = video->id;
    codec_ = video->codecpar->codec_id;
    timeBase_ = video->time_base;
    if (video->start_time != AV_NOPTS_VALUE)
        start_ = video->start_time;
    if (video->avg_frame_rate.num > 0)
        frame_ = av_q2d(av_inv_q(video->avg_frame_rate));
}

std::vector<TsPictureStart> TsVideoPes::starts(ByteSource& bytes, int64_t from, int64_t to) const {
    std::vector<TsPictureStart> found;
    if (pid_ < 0 || to <= from)
        return found;
    std::vector<uint8_t> buf(static_cast<size_t>(to - from));
    const int64_t got = readUpTo(bytes, from, buf.data(), int64_t(buf.size()));
    if (got <= 0)
        return found;
    buf.resize(size_t(got));
    const int at = syncOffset(buf);
    if (at < 0)
        return found;
    for (size_t p = size_t(at); p + kPacket <= buf.size(); p += kPacket)
        if (buf[p] == kSync)
            if (auto start = pesStartIn(buf.data() + p, pid_, codec_)) {
                start->pos = from + int64_t(p);
                start->pts = unwrapped(start->pts);
                found.push_back(*start);
            }
    return found;
}

std::optional<GrownSeekPoint> TsVideoPes::keyBefore(ByteSource& bytes, int64_t end, double target,
                                                    int64_t lookBack) const {
    if (pid_ < 0)
        return std::nullopt;
    const double slack = frame_ / 2;
    // Windows back from `end` (overlapping by a packet): the first one with a key picture at or before
    // the target holds the latest such key.
    for (int64_t to = end; to > 0 && end - to < lookBack;) {
        const int64_t from = std::max<int64_t>(0, to - kWindow);
        const std::vector<TsPictureStart> found = starts(bytes, from, std::min(end, to + kPacket));
        for (auto it = found.rbegin(); it != found.rend(); ++it)
            if (it->key && seconds(it->pts) <= target + slack)
                return GrownSeekPoint{it->pos, seconds(it->pts), seconds(it->pts)};
        to = from;
    }
    return std::nullopt;
}

std::optional<int64_t> TsVideoPes::firstAfter(ByteSource& bytes, int64_t from, int64_t to, double target) const {
    const double slack = frame_ / 2;
    for (int64_t at = from; at < to; at += kWindow)
        for (const TsPictureStart& s : starts(bytes, at, std::min(to, at + kWindow)))
            if (seconds(s.pts) > target + slack)
                return s.pos;
    return std::nullopt;
}

int64_t TsVideoPes::unwrapped(int64_t pts) const {
    // A little before the start stays before it: pictures shown before the first one read.
    if (start_ == INT64_MIN)
        return pts;
    int64_t sinceStart = ((pts - start_) % kPtsWrap + kPtsWrap) % kPtsWrap;
    if (sinceStart > kPtsWrap - kBeforeStart)
        sinceStart -= kPtsWrap;
    return start_ + sinceStart;
}

} // namespace engine::ff
