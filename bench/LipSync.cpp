#include "LipSync.h"

#include <algorithm>
#include <cmath>
#include <set>

#include "samples/SampleClips.h"

namespace bench {

LipSync measureLipSync(const std::vector<TimedSurface::Shown>& shown, const std::vector<double>& beeps,
                       int timecodeRate, double from, double to) {
    LipSync sync;
    std::set<int64_t> seen;
    for (const TimedSurface::Shown& s : shown) {
        if (!s.flash || s.frame < 0 || !samples::isFlashFrame(s.frame, timecodeRate) ||
            !seen.insert(s.frame).second)
            continue;
        if (s.time < from || s.time >= to)
            continue;
        const auto nearest = std::min_element(beeps.begin(), beeps.end(), [&](double a, double b) {
            return std::abs(a - s.time) < std::abs(b - s.time);
        });
        if (nearest == beeps.end() || std::abs(*nearest - s.time) > 0.5)
            ++sync.unmatched;
        else
            sync.offsetsMs.push_back((*nearest - s.time) * 1000);
    }
    return sync;
}

double offsetPercentileMs(const LipSync& sync, double p) {
    std::vector<double> v;
    for (double o : sync.offsetsMs)
        v.push_back(std::abs(o));
    v.insert(v.end(), size_t(sync.unmatched), kUnheardMs);
    if (v.empty())
        return kUnheardMs;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, size_t(std::ceil(p * double(v.size())) - 1))];
}

} // namespace bench
