#pragma once
// Whether a coded picture is one decoding can start from, told from its first bytes.
#include <cstdint>
#include <optional>

extern "C" {
#include <libavcodec/codec_id.h>
}

namespace engine::ff {

// How many bytes of a picture keyPictureAt wants to see.
constexpr int kKeyPictureProbeBytes = 1024;

// For a key picture: how many pictures after it in coded order it is shown (its place in display order
// within its group of pictures: 2 for an open-GOP I picture after two leading B pictures). Nothing
// when the picture is not a key. Pictures of codecs that code every picture alone are all keys.
std::optional<int> keyPictureAt(AVCodecID codec, const uint8_t* data, int size);

} // namespace engine::ff
