#include "audio/SilentAudioDevice.h"

#include <algorithm>

namespace engine::ff {

bool SilentAudioDevice::open(int sampleRate, int channels) {
    std::lock_guard lock(mutex_);
    sampleRate_ = std::max(sampleRate, 1);
    channels_ = std::max(channels, 1);
    open_ = true;
    paused_ = true;
    played_ = pending_ = 0;
    fraction_ = 0;
    lastAdvance_ = Clock::now();
    return false;
}

int SilentAudioDevice::sampleRate() const {
    std::lock_guard lock(mutex_);
    return sampleRate_;
}

int SilentAudioDevice::channels() const {
    std::lock_guard lock(mutex_);
    return channels_;
}

void SilentAudioDevice::advance() const {
    const auto now = Clock::now();
    if (open_ && !paused_) {
        fraction_ += std::chrono::duration<double>(now - lastAdvance_).count() * sampleRate_;
        const auto due = int64_t(fraction_);
        const int64_t moved = std::min(due, pending_);
        played_ += moved;
        pending_ -= moved;
        // Like a real device, time with nothing queued is not banked for later samples.
        fraction_ = pending_ > 0 ? fraction_ - double(due) : 0;
    }
    lastAdvance_ = now;
}

void SilentAudioDevice::queue(const float*, int frames) {
    std::lock_guard lock(mutex_);
    if (!open_ || frames <= 0)
        return;
    advance();
    pending_ += frames;
}

int64_t SilentAudioDevice::playedFrames() const {
    std::lock_guard lock(mutex_);
    advance();
    return played_;
}

int64_t SilentAudioDevice::pendingFrames() const {
    std::lock_guard lock(mutex_);
    advance();
    return pending_;
}

void SilentAudioDevice::setPaused(bool paused) {
    std::lock_guard lock(mutex_);
    advance();
    paused_ = paused;
}

void SilentAudioDevice::clear() {
    std::lock_guard lock(mutex_);
    advance();
    pending_ = 0;
    fraction_ = 0;
}

void SilentAudioDevice::close() {
    std::lock_guard lock(mutex_);
    open_ = false;
    pending_ = 0;
}

} // namespace engine::ff
