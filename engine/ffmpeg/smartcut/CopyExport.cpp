#include "smartcut/CopyExport.h"

namespace engine::ff {

CopyExport::CopyExport(CutRequest request, bool pacesSource, int sourceState)
    : request_(std::move(request)), pacesSource_(pacesSource), running_(sourceState == 3) {}

void CopyExport::onVideo(const FrameHandle& frame) {
    if (!frame)
        return;
    std::lock_guard lock(mutex_);
    // The picture shown at the start, then each new one while the source runs.
    if (first_ < 0) {
        first_ = last_ = frame->index;
    } else if (running_ && frame->index > last_) {
        if (frame->index != last_ + 1)
            jumped_ = true;
        last_ = frame->index;
    }
}

void CopyExport::onSourceState(int state, bool discontinuity) {
    std::lock_guard lock(mutex_);
    running_ = state == 3;
    if (discontinuity && first_ >= 0)
        jumped_ = true;
}

CutOutcome CopyExport::finish() {
    std::lock_guard lock(mutex_);
    if (first_ < 0)
        return {false, false, 0, QStringLiteral("Nothing was recorded")};
    if (jumped_)
        return {
            false, false, 0,
            QStringLiteral("The source jumped while recording; a copied export needs one continuous range")};
    request_.in = first_;
    request_.out = last_ + 1;
    return smartCut(request_);
}

} // namespace engine::ff
