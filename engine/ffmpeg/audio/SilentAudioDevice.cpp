#include "audio/SilentAudioDevice.h"

#include <algorithm>

namespace engine::ff {

bool SilentAudioDevice::open(int sampleRate, int channels) {
    std::lock_guard lock(mutex_);
    resetLocked(std::max(sampleRate, 1), std::max(channels, 1));
    fraction_ = 0;
    lastAdvance_ = Clock::now();
    return false;
}

void SilentAudioDevice::advanceLocked() const {
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

void SilentAudioDevice::clearedLocked() {
    fraction_ = 0;
}

} // namespace engine::ff
