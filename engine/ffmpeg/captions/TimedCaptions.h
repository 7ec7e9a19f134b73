#pragma once
// What both caption sources share: a decoder and the screens it produced, by media time.
#include <memory>

#include "captions/CaptionTimeline.h"
#include "core/AvPtr.h"

namespace engine::ff {

class TimedCaptions {
  public:
    // The caption screen at mediaTime (never null; empty when nothing is captioned).
    std::shared_ptr<const CaptionScreen> screenAt(double mediaTime) { return timeline_.at(mediaTime); }
    // Forgets the decoder's memory and every screen (after a seek or a new clip).
    void reset() {
        if (ctx_)
            avcodec_flush_buffers(ctx_.get());
        timeline_.clear();
    }

  protected:
    ~TimedCaptions() = default;
    AVCodecContextPtr ctx_;
    CaptionTimeline timeline_;
};

} // namespace engine::ff
