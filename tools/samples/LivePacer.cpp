#include "LivePacer.h"

#include <algorithm>
#include <thread>

namespace samples::live {

void LivePacer::waitFor(double seconds, const std::atomic<bool>& stop) {
    const Clock::time_point now = Clock::now();
    const auto due = anchor_ + std::chrono::duration_cast<Clock::duration>(
                                   std::chrono::duration<double>(seconds - anchorSeconds_));
    if (!started_ || now - due > kStallAfter) {
        started_ = true;
        anchor_ = now;
        anchorSeconds_ = seconds;
        return;
    }
    // Short naps, so a stop request is seen within a frame or so.
    constexpr std::chrono::milliseconds kNap{20};
    while (!stop.load()) {
        const Clock::time_point t = Clock::now();
        if (t >= due)
            return;
        std::this_thread::sleep_for(std::min<Clock::duration>(due - t, kNap));
    }
}

} // namespace samples::live
