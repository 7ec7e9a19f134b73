#include "overlay/LevelMeter.h"

#include <algorithm>
#include <cmath>

namespace engine::ff {
namespace {
constexpr double kRmsWindowSeconds = 0.3;
constexpr double kPeakHoldSeconds = 1.5;
constexpr double kPeakFallDbPerSecond = 20.0;
} // namespace

float toDbfs(double amplitude) {
    if (amplitude <= 0)
        return LevelMeter::kFloorDb;
    return std::max(LevelMeter::kFloorDb, float(20.0 * std::log10(amplitude)));
}

LevelMeter::LevelMeter(int channels) : channels_(std::max(channels, 1)), state_(size_t(channels_)) {}

void LevelMeter::add(const float* interleaved, int frames, int sampleRate) {
    if (frames <= 0 || sampleRate <= 0)
        return;
    const double seconds = double(frames) / sampleRate;
    // Exponential integration per block: equivalent to a per-sample one for blocks much shorter than
    // the window, and exact for steady signals whatever the block size.
    const double keep = std::exp(-seconds / kRmsWindowSeconds);
    std::lock_guard lock(mutex_);
    for (int c = 0; c < channels_; ++c) {
        double sum = 0;
        float peak = 0;
        for (int f = 0; f < frames; ++f) {
            const float v = interleaved[size_t(f) * size_t(channels_) + size_t(c)];
            sum += double(v) * v;
            peak = std::max(peak, std::abs(v));
        }
        State& st = state_[size_t(c)];
        st.meanSquare = keep * st.meanSquare + (1 - keep) * (sum / frames);
        st.heldSeconds += seconds;
        if (st.heldSeconds > kPeakHoldSeconds) {
            const double fallDb = kPeakFallDbPerSecond * std::min(seconds, st.heldSeconds - kPeakHoldSeconds);
            st.peak = float(st.peak * std::pow(10.0, -fallDb / 20.0));
        }
        if (peak >= st.peak) {
            st.peak = peak;
            st.heldSeconds = 0;
        }
    }
}

std::vector<ChannelLevel> LevelMeter::levels() const {
    std::lock_guard lock(mutex_);
    std::vector<ChannelLevel> out(state_.size());
    for (size_t c = 0; c < state_.size(); ++c) {
        out[c].rmsDb = toDbfs(std::sqrt(state_[c].meanSquare));
        out[c].peakDb = toDbfs(state_[c].peak);
    }
    return out;
}

void LevelMeter::reset() {
    std::lock_guard lock(mutex_);
    std::fill(state_.begin(), state_.end(), State{});
}

} // namespace engine::ff
