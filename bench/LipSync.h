#pragma once
// Picture against sound, from what a benchmark saw and heard: each flash frame's first presentation
// against the beep heard nearest to it.
#include <vector>

#include "TimedSurface.h"

namespace bench {

struct LipSync {
    std::vector<double> offsetsMs; // sound minus picture, one per flash with a beep within 0.5 s
    int unmatched = 0;             // flashes with no beep heard within 0.5 s
};

// The flashes first presented within [from, to) seconds, each frame counted once.
LipSync measureLipSync(const std::vector<TimedSurface::Shown>& shown, const std::vector<double>& beeps,
                       int timecodeRate, double from, double to);

// The p-th fraction of |offset| in ms, a flash without its beep counting as kUnheardMs.
constexpr double kUnheardMs = 1000;
double offsetPercentileMs(const LipSync& sync, double p);

} // namespace bench
