// MXF OP1a as ingest servers write it: a header partition, body partitions that grow with frame-wrapped
// content packages (system item, one picture element, sound elements, ...), and at the end a footer
// partition and usually a random index pack. The probe walks the KLV headers once, each call going on
// from where the last one stopped, and keeps the content package offset of every key picture.
#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "io/ByteReading.h"
#include "io/ContainerProbes.h"
#include "io/KeyPicture.h"

extern "C" {
#include <libavformat/avformat.h>
}

namespace engine::ff {
namespace {

constexpr uint8_t kUlPrefix[4] = {0x06, 0x0E, 0x2B, 0x34};
// Partition packs: 06 0E 2B 34 02 05 01 01 0D 01 02 01 01 kind status 00 (kind 02 header, 03 body, 04 footer).
constexpr uint8_t kPartitionPrefix[13] = {0x06, 0x0E, 0x2B, 0x34, 0x02, 0x05, 0x01, 0x01, 0x0D, 0x01, 0x02, 0x01, 0x01};
constexpr uint8_t kHeaderKind = 0x02;
constexpr uint8_t kFooterKind = 0x04;
constexpr uint8_t kClosedComplete = 0x04; // a partition's status, after its kind
constexpr uint8_t kRandomIndexKind = 0x11;
// Items of a generic or system-scheme content package: 06 0E 2B 34 xx xx xx xx 0D 01 03 01 item ...
constexpr uint8_t kItemDesignator[4] = {0x0D, 0x01, 0x03, 0x01};

// Fill items pad KLVs to the KAG anywhere: 06 0E 2B 34 01 01 01 xx 03 01 02 10 01 ...
constexpr uint8_t kFillDesignator[4] = {0x03, 0x01, 0x02, 0x10};

// Order of the items within a content package; Fill pads between them, None is anything else.
enum class Item { System, Picture, Sound, Data, Other, Fill, None };

Item itemKind(const uint8_t* key) {
    if (std::memcmp(key, kUlPrefix, 4) != 0)
        return Item::None;
    if (std::memcmp(key + 8, kFillDesignator, 4) == 0)
        return Item::Fill;
    if (std::memcmp(key + 8, kItemDesignator, 4) != 0)
        return Item::None;
    switch (key[12]) {
    case 0x04: case 0x14: return Item::System;
    case 0x05: case 0x15: return Item::Picture;
    case 0x06: case 0x16: return Item::Sound;
    case 0x07: case 0x17: return Item::Data;
    default: return Item::Other;
    }
}

// A KLV header: 16-byte key and BER length.
struct KlvHeader {
    std::array<uint8_t, 16> key{};
    int64_t headerSize = 0;
    int64_t valueSize = 0;
};

constexpr int kMaxHeader = 16 + 9;

std::optional<KlvHeader> parseKlvHeader(const uint8_t* p, int64_t available) {
    if (available < 17)
        return std::nullopt;
    KlvHeader h;
    std::memcpy(h.key.data(), p, 16);
    const uint8_t first = p[16];
    if (first < 0x80) {
        h.headerSize = 17, h.valueSize = first;
        return h;
    }
    const int count = first & 0x7F;
    if (count == 0 || count > 8 || available < 17 + count)
        return std::nullopt;
    const uint64_t length = bigEndian(p + 17, count);
    if (length > uint64_t(INT64_MAX / 2))
        return std::nullopt;
    h.headerSize = 17 + count, h.valueSize = int64_t(length);
    return h;
}

class MxfGrowthProbe final : public GrowthProbe {
  public:
    explicit MxfGrowthProbe(const AVStream* video)
        : codec_(video ? video->codecpar->codec_id : AV_CODEC_ID_NONE),
          editRate_(video ? editRateOf(*video) : AVRational{0, 1}) {}

    bool complete(ByteSource& bytes, int64_t size) override {
        if (randomIndexPackAtEnd(bytes, size))
            return true;
        walk(bytes, size);
        return footerSeen_;
    }

    // Its random index pack, or a header partition closed and complete (rewritten once the footer was).
    bool finishedByItsEnds(ByteSource& bytes, int64_t size) override {
        uint8_t key[16];
        return randomIndexPackAtEnd(bytes, size) ||
               (readExactly(bytes, 0, key, 16) && std::memcmp(key, kPartitionPrefix, 13) == 0 &&
                key[13] == kHeaderKind && key[14] == kClosedComplete);
    }

    bool walksToItsEnd() const override { return true; }

    std::optional<double> endSeconds(ByteSource& bytes, int64_t size) override {
        if (editRate_.num <= 0)
            return std::nullopt;
        walk(bytes, size);
        if (units_ == 0)
            return std::nullopt;
        return secondsOf(units_);
    }

    std::optional<GrownSeekPoint> seekPoint(ByteSource& bytes, int64_t size, double seconds) override {
        if (editRate_.num <= 0)
            return std::nullopt;
        walk(bytes, size);
        // A picture whose time is within half a frame of `seconds` counts as at it.
        const double slack = 0.5 * editRate_.den / editRate_.num;
        const auto after = std::upper_bound(keys_.begin(), keys_.end(), seconds + slack,
                                            [this](double t, const Key& k) { return t < timeOf(k); });
        if (after == keys_.begin())
            return std::nullopt;
        const Key& key = *std::prev(after);
        return GrownSeekPoint{key.packageOffset, timeOf(key), secondsOf(key.unit)};
    }

  private:
    struct Key {
        int64_t packageOffset; // the first KLV of the key picture's content package
        int64_t unit;          // the package's edit unit, counted from the first in the file
        int displayOffset;     // pictures after it in coded order the key is shown
    };

    static AVRational editRateOf(const AVStream& video) {
        if (video.avg_frame_rate.num > 0 && video.avg_frame_rate.den > 0)
            return video.avg_frame_rate;
        if (video.r_frame_rate.num > 0 && video.r_frame_rate.den > 0)
            return video.r_frame_rate;
        return av_inv_q(video.time_base);
    }

    double secondsOf(int64_t units) const { return double(units) * editRate_.den / editRate_.num; }
    double timeOf(const Key& k) const { return secondsOf(k.unit + k.displayOffset); }

    // The random index pack ends the file with its own length in its last four bytes.
    static bool randomIndexPackAtEnd(ByteSource& bytes, int64_t size) {
        uint8_t tail[4];
        if (size < 16 + 1 + 4 || !readExactly(bytes, size - 4, tail, 4))
            return false;
        const int64_t length = int64_t(bigEndian(tail, 4));
        if (length < 16 + 1 + 4 || length > size)
            return false;
        uint8_t key[16];
        return readExactly(bytes, size - length, key, 16) && std::memcmp(key, kPartitionPrefix, 13) == 0 &&
               key[13] == kRandomIndexKind;
    }

    // Goes on reading KLV headers up to the last one whose value is wholly among the first `size` bytes.
    void walk(ByteSource& bytes, int64_t size) {
        uint8_t head[kMaxHeader];
        std::vector<uint8_t> picture;
        while (next_ < size) {
            const int64_t got = readUpTo(bytes, next_, head, std::min<int64_t>(kMaxHeader, size - next_));
            const auto klv = got > 0 ? parseKlvHeader(head, got) : std::nullopt;
            if (!klv)
                return;
            const int64_t end = next_ + klv->headerSize + klv->valueSize;
            if (end > size)
                return;
            if (std::memcmp(klv->key.data(), kPartitionPrefix, 13) == 0 && klv->key[13] == kFooterKind)
                footerSeen_ = true;
            const Item item = itemKind(klv->key.data());
            if (item == Item::Fill) {
                next_ = end;
                continue;
            }
            int64_t packageOffset = -1;
            if (item != Item::None) {
                const bool startsPackage = packageOffset_ < 0 || item < lastItem_ ||
                                           (item == Item::Picture && lastItem_ == Item::Picture);
                packageOffset = startsPackage ? next_ : packageOffset_;
                if (startsPackage) {
                    if (restStart_ >= 0)
                        restSize_ = next_ - restStart_;
                    restStart_ = -1;
                    packageKey_ = klv->key;
                } else if (lastItem_ == Item::Picture && skipRestOfPackage(bytes, size)) {
                    continue;
                }
                if (item == Item::Picture &&
                    !countPicture(bytes, packageOffset, next_ + klv->headerSize, klv->valueSize, picture))
                    return;
            } else {
                restStart_ = -1;
            }
            packageOffset_ = packageOffset, lastItem_ = item;
            next_ = end;
        }
    }

    // At the first element after a package's picture: the rest of the package (its sound and data
    // elements) usually takes as many bytes as in the package before. Where the next package's first key
    // is found there, the walk goes on from it without reading the headers between, and so reads about
    // one page per edit unit rather than every sound element's.
    bool skipRestOfPackage(ByteSource& bytes, int64_t size) {
        restStart_ = next_;
        if (restSize_ <= 0)
            return false;
        const int64_t predicted = next_ + restSize_;
        uint8_t key[16];
        if (predicted + kMaxHeader > size || !readExactly(bytes, predicted, key, 16) ||
            std::memcmp(key, packageKey_.data(), 16) != 0)
            return false;
        next_ = predicted;
        packageOffset_ = -1, lastItem_ = Item::None, restStart_ = -1;
        return true;
    }

    // Counts the edit unit of a picture element and notes it when it is a key; false on a read error.
    bool countPicture(ByteSource& bytes, int64_t packageOffset, int64_t valueOffset, int64_t valueSize,
                      std::vector<uint8_t>& buf) {
        buf.resize(size_t(std::min<int64_t>(valueSize, kKeyPictureProbeBytes)));
        if (!readExactly(bytes, valueOffset, buf.data(), int64_t(buf.size())))
            return false;
        if (const auto offset = keyPictureAt(codec_, buf.data(), int(buf.size())))
            keys_.push_back(Key{packageOffset, units_, *offset});
        ++units_;
        return true;
    }

    const AVCodecID codec_;
    const AVRational editRate_;
    int64_t next_ = 0;           // the next KLV header to read
    int64_t packageOffset_ = -1; // the first KLV of the content package being read
    Item lastItem_ = Item::None;
    std::array<uint8_t, 16> packageKey_{}; // the first key of the last content package
    int64_t restStart_ = -1;               // the first element after the picture of the package being read
    int64_t restSize_ = 0;                 // bytes from there to the next package, as last seen
    int64_t units_ = 0;          // whole picture elements read
    bool footerSeen_ = false;
    std::vector<Key> keys_;
};

} // namespace

std::unique_ptr<GrowthProbe> makeMxfGrowthProbe(const AVStream* video) {
    return std::make_unique<MxfGrowthProbe>(video);
}

} // namespace engine::ff
