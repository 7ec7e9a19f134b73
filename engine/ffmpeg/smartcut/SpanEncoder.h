#pragma once
// Re-encodes a stretch of the source's video with the source's own codec and settings taken from the
// source, for the parts of a cut that cannot be copied.
#include <QString>
#include <vector>

#include "core/AvPtr.h"
#include "smartcut/SourceIndex.h"

namespace engine::ff {

struct EncodedSpan {
    AVCodecContextPtr encoder;
    std::vector<AVPacketPtr> packets; // decode order; pts in frames counted from the export's first frame
};

// Decodes the frames displayed in [from, to) and encodes them; `origin` is the export's first frame.
// `parameterSetId` (H.264) keeps the new SPS/PPS apart from the source's and the other spans'.
QString encodeSpan(const SourceIndex& index, int64_t from, int64_t to, int64_t origin, int parameterSetId,
                   EncodedSpan& out);

} // namespace engine::ff
