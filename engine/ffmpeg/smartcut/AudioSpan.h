#pragma once
// One audio stream of an export, cut to an exact span of samples. cutAudio makes it from a source
// stream: decoded, trimmed at the sample and encoded again with the source's codec (PCM comes out
// bit-identical).
#include <QString>
#include <memory>
#include <vector>

#include "core/AvPtr.h"
#include "smartcut/SourceIndex.h"

namespace engine::ff {

struct AudioSpan {
    std::shared_ptr<const AVCodecContext> encoder; // describes the stream; time base 1/sample rate
    std::vector<AVPacketPtr> packets;              // pts in samples from the export's first sample
};

// [fromSeconds, toSeconds) of the clip time line (0 = the first video frame).
QString cutAudio(const SourceIndex& index, int stream, double fromSeconds, double toSeconds, AudioSpan& out);

} // namespace engine::ff
