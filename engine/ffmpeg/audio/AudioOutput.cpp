#include "audio/AudioOutput.h"

#include "audio/Downmix.h"

namespace engine::ff {
namespace {
constexpr int kDeviceRate = 48000;
constexpr int kDeviceChannels = 2;
} // namespace

AudioOutput::AudioOutput(std::unique_ptr<AudioDevice> device) : device_(std::move(device)) {}

AudioOutput::~AudioOutput() {
    stop();
}

bool AudioOutput::start() {
    std::lock_guard lock(mutex_);
    const bool audible = device_->open(kDeviceRate, kDeviceChannels);
    started_ = true;
    timeline_.restart(device_->playedFrames());
    return audible;
}

void AudioOutput::play(const AudioBlock& block) {
    std::lock_guard lock(mutex_);
    const int frames = block.frames();
    // Routed blocks are 48 kHz, the rate the device was opened at (SDL converts for the card).
    if (!started_ || frames <= 0 || block.sampleRate != device_->sampleRate())
        return;
    downmixRouted(block.samples.data(), frames, block.channels, device_->channels(), mixed_);
    device_->queue(mixed_.data(), frames);
    timeline_.append(frames, block.position, block.rate, device_->sampleRate());
}

void AudioOutput::setPaused(bool paused) {
    std::lock_guard lock(mutex_);
    if (started_)
        device_->setPaused(paused);
}

void AudioOutput::flush() {
    std::lock_guard lock(mutex_);
    if (!started_)
        return;
    device_->clear();
    timeline_.restart(device_->playedFrames());
}

void AudioOutput::stop() {
    std::lock_guard lock(mutex_);
    if (!started_)
        return;
    device_->close();
    started_ = false;
    timeline_.restart(0);
}

double AudioOutput::pendingSeconds() const {
    std::lock_guard lock(mutex_);
    const int rate = device_->sampleRate();
    return started_ && rate > 0 ? double(device_->pendingFrames()) / rate : 0.0;
}

bool AudioOutput::playedPosition(double& mediaSeconds) const {
    std::lock_guard lock(mutex_);
    if (!started_)
        return false;
    const auto time = timeline_.mediaTimeAt(device_->playedFrames());
    if (!time)
        return false;
    mediaSeconds = *time;
    return true;
}

} // namespace engine::ff
