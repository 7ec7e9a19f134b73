#include "overlay/LevelHistory.h"

#include <algorithm>
#include <cmath>

namespace engine::ff {

LevelHistory::LevelHistory(int channels) : meter_(channels) {}

void LevelHistory::add(const AudioBlock& block) {
    const int frames = block.frames();
    if (frames <= 0 || block.sampleRate <= 0 || block.channels != meter_.channels())
        return;
    std::lock_guard lock(mutex_);
    const double onePerRate = 1.0 / block.sampleRate;
    if (!slices_.empty() && (block.position < next_ - onePerRate || block.position > next_ + kKeepSeconds))
        resetLocked();
    const int slice = std::max(1, int(std::lround(kSliceSeconds * block.sampleRate)));
    for (int at = 0; at < frames; at += slice) {
        const int n = std::min(slice, frames - at);
        meter_.add(block.samples.data() + size_t(at) * size_t(block.channels), n, block.sampleRate);
        slices_.push_back({block.position + at * onePerRate, meter_.levels()});
    }
    next_ = block.position + frames * onePerRate;
    while (slices_.front().position < slices_.back().position - kKeepSeconds)
        slices_.pop_front();
}

std::optional<std::vector<ChannelLevel>> LevelHistory::levelsAt(double position) const {
    std::lock_guard lock(mutex_);
    if (slices_.empty())
        return std::nullopt;
    const auto after = std::upper_bound(slices_.begin(), slices_.end(), position,
                                        [](double p, const Slice& s) { return p < s.position; });
    if (after == slices_.begin())
        return std::vector<ChannelLevel>(size_t(meter_.channels()));
    return std::prev(after)->levels;
}

std::optional<double> LevelHistory::newest() const {
    std::lock_guard lock(mutex_);
    if (slices_.empty())
        return std::nullopt;
    return slices_.back().position;
}

void LevelHistory::reset() {
    std::lock_guard lock(mutex_);
    resetLocked();
}

void LevelHistory::resetLocked() {
    meter_.reset();
    slices_.clear();
}

} // namespace engine::ff
