#pragma once
// Re-encodes a stretch of the source's video with the source's own codec and settings taken from the
// source, for the parts of a cut that cannot be copied.
#include <QString>
#include <functional>
#include <vector>

#include "core/AvPtr.h"
#include "smartcut/SourceIndex.h"

namespace engine::ff {

struct EncodedSpan {
    AVCodecContextPtr encoder;
    std::vector<AVPacketPtr> packets; // decode order; pts in frames counted from the export's first frame
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
};

// Decodes the frames displayed in [from, to) and encodes them; `origin` is the export's first frame.
// `parameterSetId` (H.264) keeps the new SPS/PPS apart from the source's and the other spans'.
QString encodeSpan(const SourceIndex& index, int64_t from, int64_t to, int64_t origin, int parameterSetId,
                   const SpanOutput& output);
// The same, keeping every packet (for the short spans around a copied stretch).
QString encodeSpan(const SourceIndex& index, int64_t from, int64_t to, int64_t origin, int parameterSetId,
                   EncodedSpan& out, int threads = 0);

} // namespace engine::ff
