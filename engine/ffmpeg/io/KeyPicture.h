#pragma once
// Whether a coded picture is one decoding can start from, told from its first bytes.
#include <cstdint>
#include <optional>

extern "C" {
#include <libavcodec/codec_id.h>
}

namespace engine::ff {

// Whether the codec's pictures may be predicted from others (MPEG-1/2, H.264, HEVC); the others code
// every picture alone.
bool predictsPictures(AVCodecID codec);

// How many bytes of a picture keyPictureAt wants to see.
constexpr int kKeyPictureProbeBytes = 1024;

// For a key picture: how many pictures after it in coded order it is shown (its place in display order
// within its group of pictures: 2 for an open-GOP I picture after two leading B pictures). Nothing
// when the picture is not a key. Pictures of codecs that code every picture alone are all keys.
std::optional<int> keyPictureAt(AVCodecID codec, const uint8_t* data, int size);

// What the picture header of an MPEG-1/2 picture tells, from its first bytes.
struct Mpeg2Picture {
    int temporalReference = 0; // its place in display order within its group of pictures
    int codingType = 0;        // 1 I, 2 P, 3 B
    bool opensGroup = false;   // a sequence or group-of-pictures header comes before it
};
std::optional<Mpeg2Picture> mpeg2PictureAt(const uint8_t* data, int size);

} // namespace engine::ff
