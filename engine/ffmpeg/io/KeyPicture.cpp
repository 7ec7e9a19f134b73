#include "io/KeyPicture.h"

namespace engine::ff {
namespace {

// Position of the next 00 00 01 start code at or after `from`, or -1.
int nextStartCode(const uint8_t* data, int size, int from) {
    for (int i = from; i + 3 < size; ++i)
        if (data[i] == 0 && data[i + 1] == 0 && data[i + 2] == 1)
            return i;
    return -1;
}

// An I picture that opens a sequence or group of pictures; temporal_reference gives its display place.
std::optional<int> mpeg2Key(const uint8_t* data, int size) {
    const auto picture = mpeg2PictureAt(data, size);
    if (picture && picture->codingType == 1 && picture->opensGroup)
        return picture->temporalReference;
    return std::nullopt;
}

// An IDR picture, or one carrying a recovery point message, before its first slice.
std::optional<int> h264Key(const uint8_t* data, int size) {
    for (int at = nextStartCode(data, size, 0); at >= 0; at = nextStartCode(data, size, at + 3)) {
        const int nalType = data[at + 3] & 0x1F;
        if (nalType == 5)
            return 0;
        if (nalType == 6 && at + 4 < size && data[at + 4] == 6) // first SEI message: recovery point
            return 0;
        if (nalType == 1)
            return std::nullopt;
    }
    return std::nullopt;
}

// A random access point (IDR, CRA, BLA) before the first slice.
std::optional<int> hevcKey(const uint8_t* data, int size) {
    for (int at = nextStartCode(data, size, 0); at >= 0; at = nextStartCode(data, size, at + 3)) {
        const int nalType = (data[at + 3] >> 1) & 0x3F;
        if (nalType >= 16 && nalType <= 21)
            return 0;
        if (nalType < 16)
            return std::nullopt;
    }
    return std::nullopt;
}

} // namespace

std::optional<Mpeg2Picture> mpeg2PictureAt(const uint8_t* data, int size) {
    Mpeg2Picture picture;
    for (int at = nextStartCode(data, size, 0); at >= 0; at = nextStartCode(data, size, at + 3)) {
        const uint8_t code = data[at + 3];
        if (code == 0xB3 || code == 0xB8) {
            picture.opensGroup = true;
        } else if (code == 0x00) {
            if (at + 6 > size)
                return std::nullopt;
            picture.temporalReference = (data[at + 4] << 2) | (data[at + 5] >> 6);
            picture.codingType = (data[at + 5] >> 3) & 7;
            return picture;
        }
    }
    return std::nullopt;
}

bool predictsPictures(AVCodecID codec) {
    return codec == AV_CODEC_ID_MPEG2VIDEO || codec == AV_CODEC_ID_MPEG1VIDEO || codec == AV_CODEC_ID_H264 ||
           codec == AV_CODEC_ID_HEVC;
}

std::optional<int> keyPictureAt(AVCodecID codec, const uint8_t* data, int size) {
    switch (codec) {
    case AV_CODEC_ID_MPEG2VIDEO:
    case AV_CODEC_ID_MPEG1VIDEO:
        return mpeg2Key(data, size);
    case AV_CODEC_ID_H264:
        return h264Key(data, size);
    case AV_CODEC_ID_HEVC:
        return hevcKey(data, size);
    default:
        return 0;
    }
}

} // namespace engine::ff
