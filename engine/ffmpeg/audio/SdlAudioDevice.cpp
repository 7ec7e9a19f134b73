#include "audio/SdlAudioDevice.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace engine::ff {
namespace {
bool driverHasServer() {
    const char* driver = SDL_GetCurrentAudioDriver();
    return driver && std::strcmp(driver, "dummy") != 0 && std::strcmp(driver, "disk") != 0;
}
} // namespace

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
        {
            // Set before SDL's audio thread starts; the device opens paused.
            std::lock_guard q(queueMutex_);
            queue_.clear();
            queueChannels_ = channels;
            playhead_.restart(sampleRate,
                              driverHasServer() ? std::llround(kServerDelaySeconds * sampleRate) : 0);
        }
        SDL_AudioSpec want{};
        want.freq = sampleRate;
        want.format = AUDIO_F32SYS;
        want.channels = Uint8(channels);
        want.samples = 1024;
        want.callback = &SdlAudioDevice::feed;
        want.userdata = this;
        SDL_AudioSpec have{};
        // No format changes allowed: SDL converts to what the card takes, so the rate and channel count
        // the caller queues in stay the ones it asked for.
        device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
        if (device_ != 0) {
            sampleRate_ = have.freq;
            channels_ = have.channels;
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

void SdlAudioDevice::feed(void* self, uint8_t* stream, int bytes) {
    auto* device = static_cast<SdlAudioDevice*>(self);
    const auto now = Playhead::Clock::now();
    std::lock_guard q(device->queueMutex_);
    auto* out = reinterpret_cast<float*>(stream);
    const size_t wanted = size_t(std::max(bytes, 0)) / sizeof(float);
    const size_t frameSize = size_t(device->queueChannels_);
    const size_t given = std::min(wanted, device->queue_.size()) / frameSize * frameSize;
    std::copy_n(device->queue_.begin(), given, out);
    device->queue_.erase(device->queue_.begin(), device->queue_.begin() + std::ptrdiff_t(given));
    std::fill(out + given, out + wanted, 0.f); // a queue that ran dry plays silence
    device->playhead_.took(int64_t(given / frameSize), now);
}

bool SdlAudioDevice::isReal() const {
    std::lock_guard lock(mutex_);
    return device_ != 0;
}

void SdlAudioDevice::queue(const float* interleaved, int frames) {
    std::lock_guard lock(mutex_);
    if (useSilent_)
        return silent_.queue(interleaved, frames);
    if (device_ == 0 || frames <= 0)
        return;
    std::lock_guard q(queueMutex_);
    queue_.insert(queue_.end(), interleaved, interleaved + size_t(frames) * size_t(queueChannels_));
}

int64_t SdlAudioDevice::playedFrames() const {
    std::lock_guard lock(mutex_);
    if (useSilent_)
        return silent_.playedFrames();
    std::lock_guard q(queueMutex_);
    return playhead_.taken();
}

double SdlAudioDevice::heardFrames() const {
    std::lock_guard lock(mutex_);
    if (useSilent_)
        return silent_.heardFrames();
    std::lock_guard q(queueMutex_);
    return playhead_.heard(Playhead::Clock::now());
}

int64_t SdlAudioDevice::pendingFrames() const {
    std::lock_guard lock(mutex_);
    if (useSilent_)
        return silent_.pendingFrames();
    std::lock_guard q(queueMutex_);
    return int64_t(queue_.size()) / queueChannels_;
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
    std::lock_guard q(queueMutex_);
    queue_.clear();
}

void SdlAudioDevice::close() {
    std::lock_guard lock(mutex_);
    closeLocked();
}

void SdlAudioDevice::closeLocked() {
    if (device_ != 0) {
        SDL_CloseAudioDevice(device_); // joins SDL's audio thread: no callback runs after this
        device_ = 0;
    }
    if (subsystemUp_) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        subsystemUp_ = false;
    }
    if (useSilent_)
        silent_.close();
    useSilent_ = false;
    std::lock_guard q(queueMutex_);
    queue_.clear();
}

} // namespace engine::ff
