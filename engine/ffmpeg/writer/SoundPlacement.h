#pragma once
// Puts a recording's routed sound on its output timeline: each block goes to the audio encoder at its
// media time relative to the picture that anchors the timeline. Sound that comes before any anchoring
// picture (or after the source jumped) waits for the next anchor; the oldest goes past a bound.
#include <cstdint>
#include <vector>

#include "core/MediaSink.h"

namespace engine::ff {

class AudioEncoder;

class SoundPlacement {
  public:
    // The picture at media time `mediaSeconds` sits at input sample `sample` of the encoder's timeline;
    // the sound that waited is placed now.
    void anchor(AudioEncoder& encoder, double mediaSeconds, int64_t sample);
    // The source jumped: sound waits for the next anchor.
    void unanchor();
    bool anchored() const { return encoder_ != nullptr; }
    void add(const AudioHandle& block);

  private:
    void place(const AudioBlock& block);

    AudioEncoder* encoder_ = nullptr; // while anchored
    double anchorMedia_ = 0;
    int64_t anchorSample_ = 0;
    std::vector<AudioHandle> early_;
};

} // namespace engine::ff
