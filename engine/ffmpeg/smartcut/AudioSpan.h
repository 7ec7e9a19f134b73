#pragma once
// One audio stream of an export, cut to an exact span of samples and encoded beforehand.
#include <memory>
#include <vector>

#include "core/AvPtr.h"

namespace engine::ff {

struct AudioSpan {
    std::shared_ptr<const AVCodecContext> encoder; // describes the stream; time base 1/sample rate
    std::vector<AVPacketPtr> packets;              // pts in samples from the export's first sample
};

} // namespace engine::ff
