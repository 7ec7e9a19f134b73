#include "smartcut/Mpeg2Units.h"

#include "engine/OperatorTexts.h"

#include <algorithm>
#include <string_view>

namespace engine::ff {
namespace {

constexpr uint8_t kPicture = 0x00, kSequenceHeader = 0xB3, kExtension = 0xB5, kGop = 0xB8;
constexpr int kSequenceExtension = 1, kPictureCodingExtension = 8;

// Offset of the next start code's value byte (after 00 00 01) at or after `from`; -1 when none.
int nextStartCode(const uint8_t* data, int size, int from) {
    for (int i = std::max(from, 0); i + 3 < size; ++i)
        if (data[i] == 0 && data[i + 1] == 0 && data[i + 2] == 1)
            return i + 3;
    return -1;
}

int findStartCode(const uint8_t* data, int size, uint8_t code) {
    for (int at = nextStartCode(data, size, 0); at >= 0; at = nextStartCode(data, size, at))
        if (data[at] == code)
            return at;
    return -1;
}

// [begin, end) of the sequence header part, start code included; begin < 0 when there is none.
std::pair<int, int> sequenceHeaderRange(const uint8_t* data, int size) {
    const int header = findStartCode(data, size, kSequenceHeader);
    if (header < 0)
        return {-1, -1};
    for (int at = nextStartCode(data, size, header); at >= 0; at = nextStartCode(data, size, at))
        if (data[at] == kGop || data[at] == kPicture)
            return {header - 3, at - 3};
    return {header - 3, size};
}

// Writes bits most significant first over what is there.
class BitWriter {
  public:
    BitWriter(uint8_t* data, int size, int bytePosition) : data_(data), size_(size), bit_(bytePosition * 8) {}
    void write(unsigned value, int count) {
        for (int k = count - 1; k >= 0; --k, ++bit_) {
            const int byte = bit_ / 8;
            if (byte >= size_)
                return;
            const uint8_t mask = uint8_t(0x80 >> (bit_ % 8));
            data_[byte] = uint8_t((value >> k) & 1 ? data_[byte] | mask : data_[byte] & ~mask);
        }
    }

  private:
    uint8_t* data_;
    int size_;
    int bit_;
};

// Reads bits most significant first.
class Bits {
  public:
    Bits(const uint8_t* data, int size, int bytePosition)
        : data_(data), size_(size), bit_(bytePosition * 8) {}
    unsigned read(int count) {
        unsigned v = 0;
        for (int k = 0; k < count; ++k, ++bit_) {
            const int byte = bit_ / 8;
            v = (v << 1) | (byte < size_ ? (data_[byte] >> (7 - bit_ % 8)) & 1 : 0);
        }
        return v;
    }

  private:
    const uint8_t* data_;
    int size_;
    int bit_;
};

constexpr uint8_t kZigzag[64] = {0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,
                                 12, 19, 26, 33, 40, 48, 41, 34, 27, 20, 13, 6,  7,  14, 21, 28,
                                 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37, 44, 51,
                                 58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

std::vector<uint16_t> readMatrix(Bits& bits) {
    std::vector<uint16_t> raster(64);
    for (int i = 0; i < 64; ++i)
        raster[kZigzag[i]] = uint16_t(bits.read(8));
    return raster;
}

} // namespace

bool startsClosedGop(const uint8_t* data, int size) {
    const int gop = findStartCode(data, size, kGop);
    if (gop < 0)
        return false;
    Bits bits(data, size, gop + 1);
    bits.read(25); // time code
    return bits.read(1) == 1;
}

std::vector<uint8_t> sequenceHeaderOf(const uint8_t* data, int size) {
    const auto [begin, end] = sequenceHeaderRange(data, size);
    if (begin < 0)
        return {};
    return {data + begin, data + end};
}

std::vector<uint8_t> withSequenceHeader(const uint8_t* data, int size, const std::vector<uint8_t>& header) {
    const auto [begin, end] = sequenceHeaderRange(data, size);
    if (begin < 0)
        return {data, data + size};
    std::vector<uint8_t> out(data, data + begin);
    out.insert(out.end(), header.begin(), header.end());
    out.insert(out.end(), data + end, data + size);
    return out;
}

std::optional<GopTimecode> gopTimecodeOf(const uint8_t* data, int size) {
    const int gop = findStartCode(data, size, kGop);
    if (gop < 0)
        return std::nullopt;
    Bits bits(data, size, gop + 1);
    GopTimecode tc;
    tc.dropFrame = bits.read(1);
    tc.hours = int(bits.read(5));
    tc.minutes = int(bits.read(6));
    bits.read(1); // marker
    tc.seconds = int(bits.read(6));
    tc.frames = int(bits.read(6));
    return tc;
}

namespace {

// The picture coding extension's bits from intra_dc_precision on; nullopt when the packet has none.
std::optional<Bits> pictureCodingExtension(const uint8_t* data, int size) {
    for (int at = nextStartCode(data, size, 0); at >= 0; at = nextStartCode(data, size, at)) {
        if (data[at] != kExtension)
            continue;
        Bits bits(data, size, at + 1);
        if (int(bits.read(4)) != kPictureCodingExtension)
            continue;
        bits.read(16); // f_codes
        return bits;
    }
    return std::nullopt;
}

} // namespace

int intraDcPrecisionOf(const uint8_t* data, int size) {
    std::optional<Bits> bits = pictureCodingExtension(data, size);
    return bits ? int(bits->read(2)) : -1;
}

int quantiserScaleTypeOf(const uint8_t* data, int size) {
    std::optional<Bits> bits = pictureCodingExtension(data, size);
    if (!bits)
        return -1;
    bits->read(2 + 2 + 1 + 1 + 1); // intra_dc_precision .. concealment_motion_vectors
    return int(bits->read(1));
}

QuantMatrices quantMatricesOf(const std::vector<uint8_t>& header) {
    QuantMatrices m;
    if (header.size() < 12)
        return m;
    Bits bits(header.data(), int(header.size()), 4);
    bits.read(12 + 12 + 4 + 4 + 18 + 1 + 10 + 1); // sizes, aspect, rate, bit rate, marker, vbv, constrained
    if (bits.read(1))
        m.intra = readMatrix(bits);
    if (bits.read(1))
        m.nonIntra = readMatrix(bits);
    return m;
}

namespace {

// The sequence extension after the sequence header at `start`, read from its profile_and_level on.
std::optional<Bits> sequenceExtension(const std::vector<uint8_t>& header, int start) {
    const int size = int(header.size());
    for (int at = nextStartCode(header.data(), size, start); at >= 0; at = nextStartCode(header.data(), size, at)) {
        Bits ext(header.data(), size, at + 1);
        if (header[size_t(at)] == kExtension && int(ext.read(4)) == kSequenceExtension)
            return ext;
    }
    return std::nullopt;
}

// The fields of a sequence header and its extension that its pictures depend on, by name.
std::vector<std::pair<const char*, unsigned>> pictureFieldsOf(const std::vector<uint8_t>& header) {
    std::vector<std::pair<const char*, unsigned>> fields;
    const int size = int(header.size());
    const int start = findStartCode(header.data(), size, kSequenceHeader);
    if (start < 0)
        return fields;
    Bits bits(header.data(), size, start + 1);
    fields.push_back({"horizontal_size", bits.read(12)});
    fields.push_back({"vertical_size", bits.read(12)});
    fields.push_back({"aspect_ratio_information", bits.read(4)});
    fields.push_back({"frame_rate_code", bits.read(4)});
    if (std::optional<Bits> ext = sequenceExtension(header, start)) {
        fields.push_back({"profile_and_level", ext->read(8)});
        fields.push_back({"progressive_sequence", ext->read(1)});
        fields.push_back({"chroma_format", ext->read(2)});
        fields.push_back({"size extensions", ext->read(4)});
        ext->read(12 + 1 + 8); // bit rate extension, marker, buffer size extension
        fields.push_back({"low_delay", ext->read(1)});
        fields.push_back({"frame_rate_extension", ext->read(7)});
    }
    return fields;
}

} // namespace

QString sequenceMismatch(const std::vector<uint8_t>& source, const std::vector<uint8_t>& encoded) {
    const auto wanted = pictureFieldsOf(source), made = pictureFieldsOf(encoded);
    if (made.size() != wanted.size())
        return texts::sequenceExtensionMissing(made.size() > wanted.size());
    for (size_t i = 0; i < wanted.size(); ++i)
        if (made[i].second != wanted[i].second)
            return texts::sequenceFieldDiffers(QLatin1String(made[i].first), made[i].second, wanted[i].second);
    const QuantMatrices a = quantMatricesOf(source), b = quantMatricesOf(encoded);
    if (a.intra != b.intra || a.nonIntra != b.nonIntra)
        return texts::otherQuantiserMatrices();
    return {};
}

bool lowDelayOf(const std::vector<uint8_t>& header) {
    for (const auto& [name, value] : pictureFieldsOf(header))
        if (std::string_view(name) == "low_delay")
            return value == 1;
    return false;
}

Mpeg2RateFields rateFieldsOf(const std::vector<uint8_t>& header) {
    Mpeg2RateFields f;
    const int size = int(header.size());
    const int start = findStartCode(header.data(), size, kSequenceHeader);
    if (start < 0)
        return f;
    Bits bits(header.data(), size, start + 1);
    bits.read(12 + 12 + 4 + 4); // sizes, aspect, frame rate
    int64_t rate = bits.read(18);
    bits.read(1); // marker
    int64_t buffer = bits.read(10);
    if (std::optional<Bits> ext = sequenceExtension(header, start)) {
        ext->read(8 + 1 + 2 + 2 + 2); // profile and level, progressive, chroma, size extensions
        rate |= int64_t(ext->read(12)) << 18;
        ext->read(1); // marker
        buffer |= int64_t(ext->read(8)) << 10;
    }
    f.bitRate = rate * 400;
    f.vbvBufferBits = buffer * 16 * 1024;
    return f;
}

std::optional<PictureVbvDelay> vbvDelayOf(const uint8_t* data, int size) {
    const int picture = findStartCode(data, size, kPicture);
    if (picture < 0)
        return std::nullopt;
    Bits bits(data, size, picture + 1);
    bits.read(10 + 3); // temporal_reference, picture_coding_type
    return PictureVbvDelay{int(bits.read(16)), int64_t(picture + 1) * 8};
}

void setVbvDelay(uint8_t* data, int size, int delay) {
    const int picture = findStartCode(data, size, kPicture);
    if (picture < 0)
        return;
    BitWriter bits(data, size, picture + 1);
    Bits read(data, size, picture + 1);
    bits.write(read.read(13), 13);
    bits.write(unsigned(delay) & 0xFFFF, 16);
}

int firstSliceQuantiserOf(const uint8_t* data, int size) {
    static constexpr uint8_t kNonLinear[32] = {0,  1,  2,  3,  4,  5,  6,  7,  8,   10, 12,
                                               14, 16, 18, 20, 22, 24, 28, 32, 36,  40, 44,
                                               48, 52, 56, 64, 72, 80, 88, 96, 104, 112};
    const bool nonLinear = quantiserScaleTypeOf(data, size) == 1;
    for (int at = nextStartCode(data, size, 0); at >= 0; at = nextStartCode(data, size, at))
        if (data[at] >= 0x01 && data[at] <= 0xAF) { // the first slice
            const unsigned code = Bits(data, size, at + 1).read(5);
            return nonLinear ? kNonLinear[code] : int(code) * 2;
        }
    return 0;
}

bool startsGop(const uint8_t* data, int size) {
    return findStartCode(data, size, kGop) >= 0;
}

void closeGop(uint8_t* data, int size, const GopTimecode& tc) {
    const int gop = findStartCode(data, size, kGop);
    if (gop < 0)
        return;
    BitWriter bits(data, size, gop + 1);
    bits.write(tc.dropFrame, 1);
    bits.write(unsigned(tc.hours), 5);
    bits.write(unsigned(tc.minutes), 6);
    bits.write(1, 1); // marker
    bits.write(unsigned(tc.seconds), 6);
    bits.write(unsigned(tc.frames), 6);
    bits.write(1, 1); // closed_gop
    bits.write(0, 1); // broken_link
}

void shiftTemporalReference(uint8_t* data, int size, int shift) {
    const int picture = findStartCode(data, size, kPicture);
    if (picture < 0)
        return;
    Bits read(data, size, picture + 1);
    const unsigned reference = read.read(10);
    BitWriter(data, size, picture + 1).write((reference - unsigned(shift)) & 0x3ff, 10);
}

bool endsSequence(const uint8_t* data, int size) {
    return size >= 4 && std::equal(kMpeg2SequenceEnd, kMpeg2SequenceEnd + 4, data + size - 4);
}

} // namespace engine::ff
