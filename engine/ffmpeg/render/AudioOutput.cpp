#include "render/AudioOutput.h"

#include <cmath>

#include "audio/Downmix.h"

namespace engine::ff {

AudioOutput::AudioOutput(AudioDeviceFactory makeDevice) : makeDevice_(std::move(makeDevice)) {}

AudioOutput::~AudioOutput() {
    setEnabled(false);
}

void AudioOutput::setEnabled(bool on) {
    std::lock_guard lk(m_);
    if (on == bool(device_))
        return;
    if (!on) {
        device_->close();
        device_.reset();
        tempo_.reset();
        segments_.clear();
        return;
    }
    device_ = makeDevice_();
    device_->open(48000, 2); // no device: it plays silently
    tempo_ = std::make_unique<TempoScaler>(device_->channels(), device_->sampleRate());
    queuedEnd_ = device_->playedFrames();
    nextMedia_ = -1;
}

void AudioOutput::play(const AudioBlock& block) {
    std::lock_guard lk(m_);
    if (!device_ || block.frames() <= 0 || device_->channels() <= 0)
        return;
    downmixRouted(block.samples.data(), block.frames(), block.channels, device_->channels(), mixed_);
    if (tempo_->rate() != block.rate)
        tempo_->setRate(block.rate);
    const float* out = mixed_.data();
    int frames = block.frames();
    if (block.rate != 1.0) {
        scaled_.clear();
        tempo_->process(mixed_.data(), frames, scaled_);
        out = scaled_.data();
        frames = int(scaled_.size() / size_t(device_->channels()));
    }
    if (frames <= 0)
        return;
    const int64_t played = device_->playedFrames();
    if (queuedEnd_ < played)
        queuedEnd_ = played; // the device ran dry
    if (nextMedia_ < 0 || std::abs(block.position - nextMedia_) > 1e-3 || segments_.empty() ||
        segments_.back().rate != block.rate)
        segments_.push_back({queuedEnd_, block.position, block.rate});
    while (segments_.size() > 1 && segments_[1].deviceFrame <= played)
        segments_.pop_front();
    device_->queue(out, frames);
    queuedEnd_ += frames;
    nextMedia_ = block.position + double(block.frames()) / block.sampleRate;
}

void AudioOutput::setRunning(bool running) {
    std::lock_guard lk(m_);
    if (device_)
        device_->setPaused(!running);
}

void AudioOutput::discontinuity() {
    std::lock_guard lk(m_);
    if (!device_)
        return;
    device_->clear();
    tempo_->reset();
    segments_.clear();
    queuedEnd_ = device_->playedFrames();
    nextMedia_ = -1;
}

bool AudioOutput::playedPosition(double& mediaSeconds) const {
    std::lock_guard lk(m_);
    if (!device_ || segments_.empty())
        return false;
    const int64_t played = device_->playedFrames();
    if (played >= queuedEnd_)
        return false; // nothing playing
    const Segment* seg = &segments_.front();
    for (const Segment& s : segments_)
        if (s.deviceFrame <= played)
            seg = &s;
    if (seg->deviceFrame > played)
        return false;
    mediaSeconds = seg->media + double(played - seg->deviceFrame) / device_->sampleRate() * seg->rate;
    return true;
}

} // namespace engine::ff
