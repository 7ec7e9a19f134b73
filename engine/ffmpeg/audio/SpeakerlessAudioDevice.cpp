#include "audio/SpeakerlessAudioDevice.h"

namespace engine::ff {

void SpeakerlessAudioDevice::resetLocked(int sampleRate, int channels) {
    sampleRate_ = sampleRate;
    channels_ = channels;
    open_ = true;
    paused_ = true;
    played_ = pending_ = 0;
}

void SpeakerlessAudioDevice::queue(const float* interleaved, int frames) {
    std::lock_guard lock(mutex_);
    if (!open_ || frames <= 0)
        return;
    advanceLocked();
    keepLocked(interleaved, frames);
    pending_ += frames;
}

int64_t SpeakerlessAudioDevice::playedFrames() const {
    std::lock_guard lock(mutex_);
    advanceLocked();
    return played_;
}

double SpeakerlessAudioDevice::heardFrames() const {
    return double(playedFrames());
}

int64_t SpeakerlessAudioDevice::pendingFrames() const {
    std::lock_guard lock(mutex_);
    advanceLocked();
    return pending_;
}

void SpeakerlessAudioDevice::setPaused(bool paused) {
    std::lock_guard lock(mutex_);
    advanceLocked();
    paused_ = paused;
}

void SpeakerlessAudioDevice::clear() {
    std::lock_guard lock(mutex_);
    advanceLocked();
    pending_ = 0;
    clearedLocked();
}

void SpeakerlessAudioDevice::close() {
    std::lock_guard lock(mutex_);
    open_ = false;
    pending_ = 0;
}

} // namespace engine::ff
