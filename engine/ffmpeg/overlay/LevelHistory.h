#pragma once
// The VU meter's levels along the media timeline. Routed audio reaches the renderer ahead of the
// moment it plays; it is metered as it comes, and the levels after each slice of kSliceSeconds are kept
// by media position for the last kKeepSeconds, so that the meter shows the levels at the position
// being shown, whether the sound is heard or not.
//
// Thread-safety: one internal lock (the source's presenter thread adds, the render thread reads).
#include <deque>
#include <mutex>
#include <optional>
#include <vector>

#include "core/MediaSink.h"
#include "overlay/LevelMeter.h"

namespace engine::ff {

class LevelHistory {
  public:
    static constexpr double kSliceSeconds = 0.01;
    static constexpr double kKeepSeconds = 10.0;

    explicit LevelHistory(int channels = AudioBlock::kOutputChannels);

    // Routed audio in play-out order. A block that does not follow the last (a seek, a loop, a gap of
    // more than kKeepSeconds) starts the meter afresh.
    void add(const AudioBlock& block);
    // The levels of the slice that holds `position`: silence before the first slice kept, the newest
    // levels past the last. nullopt when no audio came since the last reset().
    std::optional<std::vector<ChannelLevel>> levelsAt(double position) const;
    // Media time of the newest slice kept, nullopt when none.
    std::optional<double> newest() const;
    void reset();

  private:
    struct Slice {
        double position;
        std::vector<ChannelLevel> levels;
    };
    void resetLocked();

    mutable std::mutex mutex_;
    LevelMeter meter_;
    std::deque<Slice> slices_;
    double next_ = 0; // media time the next block should start at to follow on
};

} // namespace engine::ff
