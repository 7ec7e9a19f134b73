#include "source/FrameRing.h"

#include <cmath>

#include "source/MediaReader.h"

namespace engine::ff {

size_t FrameRing::bytesOf(const VideoFrame& f) {
    size_t n = 0;
    for (const AVBufferRef* b : f.frame->buf)
        if (b)
            n += b->size;
    return n;
}

void FrameRing::add(const FrameHandle& frame) {
    if (!frame || !frame->frame)
        return;
    auto [it, inserted] = byIndex_.try_emplace(frame->index, frame);
    if (!inserted)
        return;
    order_.push_back(frame->index);
    bytes_ += bytesOf(*frame);
    while (bytes_ > kBudgetBytes && order_.size() > 1) {
        auto old = byIndex_.find(order_.front());
        order_.pop_front();
        if (old == byIndex_.end())
            continue;
        bytes_ -= bytesOf(*old->second);
        byIndex_.erase(old);
    }
}

FrameHandle FrameRing::find(double target) const {
    if (byIndex_.empty())
        return nullptr;
    const double dur = byIndex_.begin()->second->duration;
    if (!(dur > 0))
        return nullptr;
    const double tol = frameTolerance(dur);
    const auto k = int64_t(std::floor((target + tol) / dur));
    for (int64_t i = k - 1; i <= k + 1; ++i) {
        auto it = byIndex_.find(i);
        if (it == byIndex_.end())
            continue;
        const VideoFrame& f = *it->second;
        if (f.position - tol <= target && target < f.position + f.duration - tol)
            return it->second;
    }
    return nullptr;
}

FrameHandle FrameRing::nearestBefore(double target, double within) const {
    if (byIndex_.empty())
        return nullptr;
    const double dur = byIndex_.begin()->second->duration;
    if (!(dur > 0))
        return nullptr;
    auto it = byIndex_.upper_bound(int64_t(std::floor((target + frameTolerance(dur)) / dur)));
    if (it == byIndex_.begin())
        return nullptr;
    --it;
    return it->second->position >= target - within ? it->second : nullptr;
}

void FrameRing::clear() {
    byIndex_.clear();
    order_.clear();
    bytes_ = 0;
}

} // namespace engine::ff
