// The play head of a callback-driven device: what the callbacks took, less the device's buffer and the
// sound server's delay, moving with the steady clock between callbacks.
#include <gtest/gtest.h>

#include "audio/Playhead.h"

using namespace engine::ff;

namespace {
Playhead::Clock::time_point at(double ms) {
    return Playhead::Clock::time_point(std::chrono::microseconds(int64_t(ms * 1000)) + std::chrono::hours(1));
}
} // namespace

TEST(Playhead, HeardFramesTakeOffTheBufferAndTheServerAndMoveSmoothlyBetweenCallbacks) {
    Playhead head;
    head.restart(48000, 960); // 20 ms in the server
    EXPECT_EQ(head.heard(at(0)), 0);
    // Callbacks of 1024 frames every 1024/48 ms.
    const double period = 1024.0 / 48;
    for (int k = 0; k < 4; ++k)
        head.took(1024, at(k * period));
    const double last = 3 * period;
    struct Step {
        double ms;
        double heard;
    };
    // Right after the fourth callback: 4096 taken, its 1024 still in the buffer, 960 in the server.
    for (const Step& s : {Step{last, 4096 - 1024 - 960}, Step{last + 5, 4096 - 1024 - 960 + 240},
                          Step{last + 10, 4096 - 1024 - 960 + 480}, Step{last + period, 4096 - 960}})
        EXPECT_NEAR(head.heard(at(s.ms)), s.heard, 0.1) << s.ms << " ms";
    head.took(1024, at(last + period));
    EXPECT_NEAR(head.heard(at(last + period)), 4096 - 960, 0.1) << "no step at the next callback";

    // No callback for a long while (paused, stalled): what was taken plays out, and no further.
    EXPECT_NEAR(head.heard(at(last + 1000)), 5120, 0.1);
    // A callback after it: its frames are heard after the buffer and server again, never backwards.
    head.took(1024, at(last + 1001));
    EXPECT_NEAR(head.heard(at(last + 1002)), 5120, 0.1);
    EXPECT_NEAR(head.heard(at(last + 1001 + period + 20)), 6144, 0.1);
    EXPECT_EQ(head.taken(), 6144);
}
