#include "audio/SdlAudioDevice.h"

#include <SDL.h>

#include <algorithm>

namespace engine::ff {

SdlAudioDevice::~SdlAudioDevice() {
    close();
}

bool SdlAudioDevice::open(int sampleRate, int channels) {
    std::lock_guard lock(mutex_);
    closeLocked();
    sampleRate = std::max(sampleRate, 1);
    channels = std::clamp(channels, 1, 8);

    subsystemUp_ = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
    if (subsystemUp_) {
        SDL_AudioSpec want{};
        want.freq = sampleRate;
        want.format = AUDIO_F32SYS;
        want.channels = Uint8(channels);
        want.samples = 1024;
        SDL_AudioSpec have{};
        // No format changes allowed: SDL converts to what the card takes, so the rate and channel count
        // the caller queues in stay the ones it asked for.
        device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
        if (device_ != 0) {
            sampleRate_ = have.freq;
            channels_ = have.channels;
            queuedTotal_ = 0;
            useSilent_ = false;
            return true;
        }
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        subsystemUp_ = false;
    }
    useSilent_ = true;
    sampleRate_ = sampleRate;
    channels_ = channels;
    silent_.open(sampleRate, channels);
    return false;
}

bool SdlAudioDevice::isReal() const {
    std::lock_guard lock(mutex_);
    return device_ != 0;
}

int64_t SdlAudioDevice::pendingLocked() const {
    if (device_ == 0 || channels_ == 0)
        return 0;
    return int64_t(SDL_GetQueuedAudioSize(device_)) / int64_t(sizeof(float) * size_t(channels_));
}

void SdlAudioDevice::queue(const float* interleaved, int frames) {
    std::lock_guard lock(mutex_);
    if (useSilent_)
        return silent_.queue(interleaved, frames);
    if (device_ == 0 || frames <= 0)
        return;
    const auto bytes = Uint32(size_t(frames) * size_t(channels_) * sizeof(float));
    if (SDL_QueueAudio(device_, interleaved, bytes) == 0)
        queuedTotal_ += frames;
}

int64_t SdlAudioDevice::playedFrames() const {
    std::lock_guard lock(mutex_);
    if (useSilent_)
        return silent_.playedFrames();
    return device_ == 0 ? queuedTotal_ : queuedTotal_ - pendingLocked();
}

int64_t SdlAudioDevice::pendingFrames() const {
    std::lock_guard lock(mutex_);
    if (useSilent_)
        return silent_.pendingFrames();
    return pendingLocked();
}

void SdlAudioDevice::setPaused(bool paused) {
    std::lock_guard lock(mutex_);
    if (useSilent_)
        return silent_.setPaused(paused);
    if (device_ != 0)
        SDL_PauseAudioDevice(device_, paused ? 1 : 0);
}

void SdlAudioDevice::clear() {
    std::lock_guard lock(mutex_);
    if (useSilent_)
        return silent_.clear();
    if (device_ == 0)
        return;
    // The dropped frames never play: take them off the total so the played count does not jump.
    queuedTotal_ -= pendingLocked();
    SDL_ClearQueuedAudio(device_);
}

void SdlAudioDevice::close() {
    std::lock_guard lock(mutex_);
    closeLocked();
}

void SdlAudioDevice::closeLocked() {
    if (device_ != 0) {
        SDL_CloseAudioDevice(device_);
        device_ = 0;
    }
    if (subsystemUp_) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        subsystemUp_ = false;
    }
    if (useSilent_)
        silent_.close();
    useSilent_ = false;
}

} // namespace engine::ff
