#include "writer/SoundPlacement.h"

#include <cmath>

#include "writer/AudioEncoder.h"

namespace engine::ff {
namespace {
constexpr size_t kMaxEarlyBlocks = 256;
} // namespace

void SoundPlacement::anchor(AudioEncoder& encoder, double mediaSeconds, int64_t sample) {
    encoder_ = &encoder;
    anchorMedia_ = mediaSeconds;
    anchorSample_ = sample;
    std::vector<AudioHandle> early;
    early.swap(early_);
    for (const auto& block : early)
        place(*block);
}

void SoundPlacement::unanchor() {
    encoder_ = nullptr;
    early_.clear();
}

void SoundPlacement::add(const AudioHandle& block) {
    if (anchored()) {
        place(*block);
        return;
    }
    if (early_.size() >= kMaxEarlyBlocks)
        early_.erase(early_.begin());
    early_.push_back(block);
}

void SoundPlacement::place(const AudioBlock& block) {
    const int64_t start =
        anchorSample_ + std::llround((block.position - anchorMedia_) * double(AudioEncoder::kInputRate));
    encoder_->add(block, start);
}

} // namespace engine::ff
