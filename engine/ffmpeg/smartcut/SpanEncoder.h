#pragma once
// Re-encodes a stretch of the source's video with the source's own codec and settings taken from the
// source, for the parts of a cut that cannot be copied.
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "core/AvPtr.h"
#include "smartcut/Mpeg2Vbv.h"
#include "smartcut/SourceIndex.h"

namespace engine::ff {

struct EncodedSpan {
    AVCodecContextPtr encoder;
    std::vector<AVPacketPtr> packets; // decode order; pts in frames counted from the export's first frame
};

// MPEG-2 of a constant-rate source: how the span is encoded to fit the source's buffer.
struct SpanRate {
    VbvBuffer buffer;
    double startLevel = 0; // bits in the buffer before the span's first picture is taken
    double endLevel = 0;   // bits the span must leave in the buffer for the pictures after it
    // A fixed quantiser (non-linear scale, 1 the finest), or at most 0: rate-controlled at the source's
    // constant rate times rateScale, the encoder stating each picture's vbv_delay.
    double quantiser = 0;
    double rateScale = 1;
};

// Where a span's encoding goes as it is made.
struct SpanOutput {
    // The encoder is open (before its first packet).
    std::function<QString(AVCodecContext* encoder)> opened = [](AVCodecContext*) { return QString(); };
    // Each packet in decode order, pts in frames counted from the export's first frame.
    std::function<QString(AVPacketPtr packet)> packet;
    bool globalHeader = false; // the stream's parameter sets in the encoder's extradata, not in band
    // Threads of the decoder and of an H.264 encoder, 0: as many as the machine has. An MPEG-2 encoder
    // always has the machine's: its slices follow its threads.
    int threads = 0;
    std::optional<SpanRate> rate;
};

// A span's decoded pictures, kept by its first encoding for those after it, with the parameters of the
// stream they come from.
struct DecodedPictures {
    std::vector<AVFramePtr> frames;
    AVCodecParametersPtr parameters;
};

// Decodes the frames displayed in [from, to) and encodes them; `origin` is the export's first frame.
// `parameterSetId` (H.264) keeps the new SPS/PPS apart from the source's and the other spans'.
QString encodeSpan(const SourceIndex& index, int64_t from, int64_t to, int64_t origin, int parameterSetId,
                   const SpanOutput& output);
// The same, keeping every packet (for the short spans around a copied stretch). With `pictures`, the
// span's pictures are taken from there once they are in, and put there as decoded before that.
QString encodeSpan(const SourceIndex& index, int64_t from, int64_t to, int64_t origin, int parameterSetId,
                   EncodedSpan& out, int threads = 0, const std::optional<SpanRate>& rate = std::nullopt,
                   DecodedPictures* pictures = nullptr);

// Decodes `count` pictures of two clips side by side, those displayed from `firstFrom` in the first and
// from `secondFrom` in the second: the offset of the first pair that differs in any sample, nullopt when
// none does (or when decoding fails: `error` then says why).
std::optional<int64_t> firstDifferingPicture(const SourceIndex& first, int64_t firstFrom,
                                             const SourceIndex& second, int64_t secondFrom, int64_t count,
                                             QString& error);

// MPEG-2: how many pictures the encoder of a span holds back before its first packet (its has_b_frames),
// known before it opens: an anchor waits for the B pictures before it unless the source is low-delay.
int mpeg2EncoderDelay(const SourceIndex& index);

// MPEG-2: the sequence header the encoder writes with the settings taken from the source (for
// sequenceMismatch); empty and the reason when it cannot be had.
std::vector<uint8_t> matchedSequenceHeader(const SourceIndex& index, const AVCodecParameters* source,
                                           QString& error);

} // namespace engine::ff
