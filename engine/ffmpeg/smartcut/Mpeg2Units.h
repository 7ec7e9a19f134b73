#pragma once
// Just enough of the MPEG-2 video byte stream to splice it: where a closed GOP starts, the sequence
// header with its extensions, the GOP timecode, the picture coding extension's DC precision and the
// quantiser matrices, and the sequence end code.
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

namespace engine::ff {

constexpr uint8_t kMpeg2SequenceEnd[4] = {0x00, 0x00, 0x01, 0xB7};

// The packet starts a GOP whose pictures refer to nothing before it (GOP header with closed_gop).
bool startsClosedGop(const uint8_t* data, int size);

// The sequence header and everything up to the GOP header or first picture (its extensions and user
// data); empty when the packet has no sequence header.
std::vector<uint8_t> sequenceHeaderOf(const uint8_t* data, int size);

// The packet with its sequence header part (as sequenceHeaderOf finds it) replaced by `header`; the
// packet unchanged when it has none.
std::vector<uint8_t> withSequenceHeader(const uint8_t* data, int size, const std::vector<uint8_t>& header);

// The timecode of the packet's GOP header.
struct GopTimecode {
    bool dropFrame = false;
    int hours = 0, minutes = 0, seconds = 0, frames = 0;
};
std::optional<GopTimecode> gopTimecodeOf(const uint8_t* data, int size);

// intra_dc_precision of the packet's picture coding extension (0: 8 bits .. 3: 11 bits); -1 when absent.
int intraDcPrecisionOf(const uint8_t* data, int size);

// q_scale_type of the packet's picture coding extension (1: the non-linear quantiser scale); -1 when absent.
int quantiserScaleTypeOf(const uint8_t* data, int size);

// The quantiser matrices a sequence header loads, in raster order; empty when it keeps the default.
struct QuantMatrices {
    std::vector<uint16_t> intra, nonIntra;
};
QuantMatrices quantMatricesOf(const std::vector<uint8_t>& sequenceHeader);

// The sequence header's bit rate and VBV buffer size with the sequence extension's high bits, in bits per
// second and bits; 0 where the header has none.
struct Mpeg2RateFields {
    int64_t bitRate = 0, vbvBufferBits = 0;
};
Mpeg2RateFields rateFieldsOf(const std::vector<uint8_t>& sequenceHeader);

// The picture header's vbv_delay in 90 kHz ticks (kVbvDelayUnstated: a variable-rate picture) and the bits
// of the packet up to the end of the picture start code, which enter the buffer before that delay runs.
constexpr int kVbvDelayUnstated = 0xFFFF;
struct PictureVbvDelay {
    int delay = kVbvDelayUnstated;
    int64_t bitsBefore = 0;
};
std::optional<PictureVbvDelay> vbvDelayOf(const uint8_t* data, int size);
// In place: the picture's vbv_delay.
void setVbvDelay(uint8_t* data, int size, int delay);

// What in `encoded` (a sequence header with its extensions as an encoder wrote it) differs from `source`
// in anything the pictures depend on: sizes, aspect, frame rate, profile and level, scan, chroma format,
// low_delay, quantiser matrices. Empty when pictures coded under `encoded` may carry `source` instead;
// bit rate and buffer size do not count.
QString sequenceMismatch(const std::vector<uint8_t>& source, const std::vector<uint8_t>& encoded);
// The sequence extension's low_delay: the stream has no B pictures.
bool lowDelayOf(const std::vector<uint8_t>& sequenceHeader);

// The quantiser_scale the picture's first slice starts with (1..112, on the linear scale's terms); 0
// when the packet holds no slice.
int firstSliceQuantiserOf(const uint8_t* data, int size);

// Whether the packet starts a GOP at all (GOP header), closed or open.
bool startsGop(const uint8_t* data, int size);

// In place: the packet's GOP header marked closed with `timecode`, its leading pictures gone.
void closeGop(uint8_t* data, int size, const GopTimecode& timecode);
// In place: the picture's temporal_reference less `shift`.
void shiftTemporalReference(uint8_t* data, int size, int shift);

// Whether the packet ends with a sequence end code.
bool endsSequence(const uint8_t* data, int size);

} // namespace engine::ff
