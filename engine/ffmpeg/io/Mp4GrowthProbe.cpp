// MP4 being written. Fragmented as written live (an empty moov, then moof+mdat pairs): its end is where the
// video track's pictures of the last whole fragment end on the presentation time line, and it is complete once the muxer's
// trailer (mfra) is on disk. A file with a whole moov and no fragments is complete. The top-level boxes
// are walked once, each call going on from where the last one stopped.
#include <algorithm>
#include <cstring>
#include <vector>

#include "io/ByteReading.h"
#include "io/ContainerProbes.h"
#include "io/GrowthProbe.h"

extern "C" {
#include <libavformat/avformat.h>
}

namespace engine::ff {
namespace {

// Boxes read whole (moof, mvex) are small; a larger one is taken as damage.
constexpr int64_t kMaxParsedBox = 16 * 1024 * 1024;

struct Box {
    uint32_t type = 0;
    int64_t headerSize = 0;
    int64_t size = 0; // header included; 0: runs to the end of the file
};

constexpr uint32_t fourcc(const char (&s)[5]) {
    return (uint32_t(uint8_t(s[0])) << 24) | (uint32_t(uint8_t(s[1])) << 16) | (uint32_t(uint8_t(s[2])) << 8) |
           uint32_t(uint8_t(s[3]));
}

// The box header at `p` (with `available` bytes there), or nothing when it is cut or invalid.
std::optional<Box> parseBox(const uint8_t* p, int64_t available) {
    if (available < 8)
        return std::nullopt;
    Box box{uint32_t(bigEndian(p + 4, 4)), 8, int64_t(bigEndian(p, 4))};
    if (box.size == 1) {
        if (available < 16)
            return std::nullopt;
        const uint64_t large = bigEndian(p + 8, 8);
        if (large > uint64_t(INT64_MAX / 2))
            return std::nullopt;
        box.headerSize = 16, box.size = int64_t(large);
    }
    if (box.size != 0 && box.size < box.headerSize)
        return std::nullopt;
    return box;
}

// Calls `visit(box, payload, payloadSize)` for each child box wholly inside [data, data + size).
template <typename Visit> void forEachChild(const uint8_t* data, int64_t size, Visit&& visit) {
    for (int64_t at = 0; at < size;) {
        const auto box = parseBox(data + at, size - at);
        if (!box || box->size == 0 || at + box->size > size)
            return;
        visit(*box, data + at + box->headerSize, box->size - box->headerSize);
        at += box->size;
    }
}

// The top-level box at `offset` among the first `size` bytes, or nothing when its header is not on disk.
std::optional<Box> topLevelBox(ByteSource& bytes, int64_t offset, int64_t size) {
    uint8_t head[16];
    const int64_t got = readUpTo(bytes, offset, head, std::min<int64_t>(16, size - offset));
    return got > 0 ? parseBox(head, got) : std::nullopt;
}

class Mp4GrowthProbe final : public GrowthProbe {
  public:
    explicit Mp4GrowthProbe(const AVStream* video)
        : trackId_(video ? uint32_t(video->id) : 0), timeBase_(video ? video->time_base : AVRational{0, 1}) {}

    bool complete(ByteSource& bytes, int64_t size) override {
        walk(bytes, size);
        return mfraSeen_ || (moovSeen_ && !fragmented_);
    }

    std::optional<double> endSeconds(ByteSource& bytes, int64_t size) override {
        walk(bytes, size);
        if (!wholeFragmentEnd_ || timeBase_.num <= 0)
            return std::nullopt;
        return double(*wholeFragmentEnd_) * av_q2d(timeBase_);
    }

  private:
    void walk(ByteSource& bytes, int64_t size) {
        while (next_ < size) {
            const auto box = topLevelBox(bytes, next_, size);
            if (!box || box->size == 0 || next_ + box->size > size)
                return;
            const int64_t payload = next_ + box->headerSize;
            const int64_t payloadSize = box->size - box->headerSize;
            switch (box->type) {
            case fourcc("moov"):
                moovSeen_ = true;
                readWhole(bytes, payload, payloadSize, [this](const uint8_t* d, int64_t n) { readMovie(d, n); });
                break;
            case fourcc("moof"):
                fragmentEnd_.reset();
                readWhole(bytes, payload, payloadSize, [this](const uint8_t* d, int64_t n) { readFragment(d, n); });
                break;
            case fourcc("mdat"):
                if (fragmentEnd_)
                    wholeFragmentEnd_ = fragmentEnd_;
                fragmentEnd_.reset();
                break;
            case fourcc("mfra"):
                mfraSeen_ = true;
                break;
            default:
                break;
            }
            next_ += box->size;
        }
    }

    template <typename Read> static void readWhole(ByteSource& bytes, int64_t offset, int64_t size, Read&& read) {
        if (size > kMaxParsedBox)
            return;
        std::vector<uint8_t> buf(static_cast<size_t>(size));
        if (readExactly(bytes, offset, buf.data(), size))
            read(buf.data(), size);
    }

    // moov: fragmented when it has mvex; the video track's default sample duration from its trex.
    void readMovie(const uint8_t* data, int64_t size) {
        forEachChild(data, size, [this](const Box& box, const uint8_t* p, int64_t n) {
            if (box.type != fourcc("mvex"))
                return;
            fragmented_ = true;
            forEachChild(p, n, [this](const Box& child, const uint8_t* t, int64_t m) {
                // version/flags, track_ID, default_sample_description_index, default_sample_duration, ...
                if (child.type == fourcc("trex") && m >= 16 && bigEndian(t + 4, 4) == trackId_)
                    trexDuration_ = bigEndian(t + 12, 4);
            });
        });
    }

    // moof: the video track's base decode time plus the durations of its samples.
    void readFragment(const uint8_t* data, int64_t size) {
        forEachChild(data, size, [this](const Box& box, const uint8_t* p, int64_t n) {
            if (box.type == fourcc("traf"))
                readTrackFragment(p, n);
        });
    }

    // The latest presentation end (decode time plus composition offset plus duration) of the video
    // track's samples in one traf: tfhd, tfdt, then its truns in decode order.
    void readTrackFragment(const uint8_t* data, int64_t size) {
        bool ours = false;
        uint64_t defaultDuration = trexDuration_;
        std::optional<int64_t> decodeTime;
        std::optional<int64_t> end;
        forEachChild(data, size, [&](const Box& box, const uint8_t* p, int64_t n) {
            if (n < 8)
                return;
            const uint32_t flags = uint32_t(bigEndian(p + 1, 3));
            if (box.type == fourcc("tfhd")) {
                ours = bigEndian(p + 4, 4) == trackId_;
                const int64_t at = 8 + ((flags & 0x01) ? 8 : 0) + ((flags & 0x02) ? 4 : 0);
                if ((flags & 0x08) && at + 4 <= n)
                    defaultDuration = bigEndian(p + at, 4);
            } else if (box.type == fourcc("tfdt")) {
                const bool wide = p[0] == 1;
                if (n >= (wide ? 12 : 8))
                    decodeTime = int64_t(bigEndian(p + 4, wide ? 8 : 4));
            } else if (box.type == fourcc("trun") && decodeTime) {
                readTrackRun(p, n, flags, int64_t(defaultDuration), *decodeTime, end);
            }
        });
        if (ours && end)
            fragmentEnd_ = end;
    }

    static void readTrackRun(const uint8_t* p, int64_t n, uint32_t flags, int64_t defaultDuration,
                             int64_t& decodeTime, std::optional<int64_t>& end) {
        const uint64_t count = bigEndian(p + 4, 4);
        int64_t at = 8 + ((flags & 0x01) ? 4 : 0) + ((flags & 0x04) ? 4 : 0);
        const bool hasDuration = flags & 0x100, hasSize = flags & 0x200, hasFlags = flags & 0x400,
                   hasOffset = flags & 0x800;
        const int64_t stride = 4 * (hasDuration + hasSize + hasFlags + hasOffset);
        for (uint64_t i = 0; i < count && at + stride <= n; ++i, at += stride) {
            const int64_t duration = hasDuration ? int64_t(bigEndian(p + at, 4)) : defaultDuration;
            // Signed in version 1, and written so by muxers in version 0 too.
            const int64_t offset =
                hasOffset ? int64_t(int32_t(uint32_t(bigEndian(p + at + stride - 4, 4)))) : 0;
            end = std::max(end.value_or(INT64_MIN), decodeTime + offset + duration);
            decodeTime += duration;
        }
    }

    const uint32_t trackId_;
    const AVRational timeBase_;
    int64_t next_ = 0; // the next top-level box
    bool moovSeen_ = false;
    bool fragmented_ = false;
    bool mfraSeen_ = false;
    uint64_t trexDuration_ = 0;
    std::optional<int64_t> fragmentEnd_;      // of the last moof, until its mdat is whole
    std::optional<int64_t> wholeFragmentEnd_; // of the last moof whose mdat is whole
};

} // namespace

std::unique_ptr<GrowthProbe> makeMp4GrowthProbe(const AVStream* video) {
    return std::make_unique<Mp4GrowthProbe>(video);
}

bool mp4WithoutIndex(ByteSource& bytes, int64_t size) {
    bool mdat = false;
    for (int64_t at = 0; at < size;) {
        const auto box = topLevelBox(bytes, at, size);
        if (!box)
            break;
        if (box->type == fourcc("moov"))
            return false;
        mdat = mdat || box->type == fourcc("mdat");
        if (box->size == 0)
            break;
        at += box->size;
    }
    return mdat;
}

} // namespace engine::ff
