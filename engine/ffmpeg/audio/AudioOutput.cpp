#include "audio/AudioOutput.h"

#include <algorithm>
#include <cmath>

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
    {
        std::lock_guard lock(mutex_);
        if (started_)
            return audible_;
    }
    // Opening may take long (a sound server that answers slowly): not under the lock, so that the
    // other calls go on meanwhile (they leave the device alone until it is started).
    const bool audible = device_->open(kDeviceRate, kDeviceChannels);
    std::lock_guard lock(mutex_);
    audible_ = audible;
    started_ = true;
    timeline_.restart(device_->playedFrames());
    tempo_.reset();
    tempoNextIn_ = -1;
    return audible_;
}

bool AudioOutput::started() const {
    std::lock_guard lock(mutex_);
    return started_;
}

void AudioOutput::play(const AudioBlock& block) {
    std::lock_guard lock(mutex_);
    const int frames = block.frames();
    // Routed blocks are 48 kHz, the rate the device was opened at (SDL converts for the card).
    if (!started_ || frames <= 0 || block.sampleRate != device_->sampleRate())
        return;
    downmixRouted(block.samples.data(), frames, block.channels, device_->channels(), mixed_);
    if (block.rate == 1.0 && !tempo_)
        return enqueueLocked(mixed_.data(), frames, block.position, 1.0);
    tempoScaleLocked(block, frames);
}

// Tempo runs on the mixed-down channels (two, not sixteen): the same sound for an eighth of the work.
void AudioOutput::tempoScaleLocked(const AudioBlock& block, int frames) {
    const int channels = device_->channels();
    const int rate = block.sampleRate;
    const bool follows = std::abs(block.position - tempoNextIn_) * rate < 1.5;
    const double tempo = std::clamp(block.rate, TempoScaler::kMinRate, TempoScaler::kMaxRate);
    if (!tempo_ || !follows || tempo != tempo_->rate()) {
        if (block.rate == 1.0) { // back at normal speed: no scaler in the way
            tempo_.reset();
            tempoNextIn_ = -1;
            return enqueueLocked(mixed_.data(), frames, block.position, 1.0);
        }
        tempo_ = std::make_unique<TempoScaler>(channels, rate);
        tempo_->setRate(tempo);
        tempoNextOut_ = block.position;
    }
    tempoNextIn_ = block.position + double(frames) / rate;
    scaled_.clear();
    tempo_->process(mixed_.data(), frames, scaled_);
    const int out = int(scaled_.size() / size_t(channels));
    const double position = tempoNextOut_;
    tempoNextOut_ += double(out) * tempo_->rate() / rate;
    enqueueLocked(scaled_.data(), out, position, tempo_->rate());
}

void AudioOutput::enqueueLocked(const float* samples, int frames, double position, double rate) {
    const int deviceRate = device_->sampleRate();
    const auto room = int64_t(std::llround(kMaxAheadSeconds * deviceRate)) - device_->pendingFrames();
    frames = int(std::min<int64_t>(frames, std::max<int64_t>(room, 0)));
    if (frames <= 0)
        return;
    device_->queue(samples, frames);
    timeline_.append(frames, position, rate, deviceRate);
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
    tempo_.reset();
    tempoNextIn_ = -1;
}

void AudioOutput::stop() {
    {
        std::lock_guard lock(mutex_);
        if (!started_)
            return;
        started_ = false;
        timeline_.restart(0);
        tempo_.reset();
    }
    device_->close();
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
    const auto time = timeline_.mediaTimeAt(device_->heardFrames());
    if (!time)
        return false;
    mediaSeconds = *time;
    return true;
}

} // namespace engine::ff
