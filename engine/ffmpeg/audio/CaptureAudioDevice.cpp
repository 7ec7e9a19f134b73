#include "audio/CaptureAudioDevice.h"

#include <algorithm>

namespace engine::ff {

bool CaptureAudioDevice::open(int sampleRate, int channels) {
    std::lock_guard lock(mutex_);
    sampleRate_ = sampleRate;
    channels_ = channels;
    open_ = true;
    paused_ = true;
    samples_.clear();
    queued_ = played_ = 0;
    return true;
}

int CaptureAudioDevice::sampleRate() const {
    std::lock_guard lock(mutex_);
    return sampleRate_;
}

int CaptureAudioDevice::channels() const {
    std::lock_guard lock(mutex_);
    return channels_;
}

void CaptureAudioDevice::queue(const float* interleaved, int frames) {
    std::lock_guard lock(mutex_);
    if (!open_ || frames <= 0)
        return;
    samples_.insert(samples_.end(), interleaved, interleaved + size_t(frames) * size_t(channels_));
    queued_ += frames;
}

int64_t CaptureAudioDevice::playedFrames() const {
    std::lock_guard lock(mutex_);
    return manual_ ? played_ : queued_;
}

int64_t CaptureAudioDevice::pendingFrames() const {
    std::lock_guard lock(mutex_);
    return manual_ ? queued_ - played_ : 0;
}

void CaptureAudioDevice::setManualClock(bool manual) {
    std::lock_guard lock(mutex_);
    manual_ = manual;
    played_ = queued_;
}

void CaptureAudioDevice::advance(int64_t frames) {
    std::lock_guard lock(mutex_);
    played_ = std::min(queued_, played_ + std::max<int64_t>(frames, 0));
}

void CaptureAudioDevice::setPaused(bool paused) {
    std::lock_guard lock(mutex_);
    paused_ = paused;
}

void CaptureAudioDevice::clear() {
    std::lock_guard lock(mutex_);
    ++clears_;
    if (manual_)
        queued_ = played_;
}

void CaptureAudioDevice::close() {
    std::lock_guard lock(mutex_);
    open_ = false;
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
