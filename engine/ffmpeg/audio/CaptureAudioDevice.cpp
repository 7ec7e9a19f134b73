#include "audio/CaptureAudioDevice.h"

#include <algorithm>

namespace engine::ff {

bool CaptureAudioDevice::open(int sampleRate, int channels) {
    std::lock_guard lock(mutex_);
    resetLocked(sampleRate, channels);
    samples_.clear();
    return true;
}

void CaptureAudioDevice::advanceLocked() const {
    if (manual_)
        return;
    played_ += pending_;
    pending_ = 0;
}

void CaptureAudioDevice::keepLocked(const float* interleaved, int frames) {
    samples_.insert(samples_.end(), interleaved, interleaved + size_t(frames) * size_t(channels_));
}

void CaptureAudioDevice::clearedLocked() {
    ++clears_;
}

void CaptureAudioDevice::setManualClock(bool manual) {
    std::lock_guard lock(mutex_);
    played_ += pending_;
    pending_ = 0;
    manual_ = manual;
}

void CaptureAudioDevice::advance(int64_t frames) {
    std::lock_guard lock(mutex_);
    const int64_t moved = std::min(pending_, std::max<int64_t>(frames, 0));
    played_ += moved;
    pending_ -= moved;
}

std::vector<float> CaptureAudioDevice::captured() const {
    std::lock_guard lock(mutex_);
    return samples_;
}

bool CaptureAudioDevice::paused() const {
    std::lock_guard lock(mutex_);
    return paused_;
}

int CaptureAudioDevice::clearCount() const {
    std::lock_guard lock(mutex_);
    return clears_;
}

} // namespace engine::ff
