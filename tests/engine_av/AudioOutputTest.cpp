// The preview's audio path: routed blocks mixed to stereo on the device, and the media time heard.
#include <gtest/gtest.h>

#include "audio/AudioOutput.h"
#include "audio/CaptureAudioDevice.h"

using namespace engine::ff;

namespace {

AudioBlock block(double position, double rate, int frames, float even, float odd) {
    AudioBlock b;
    b.position = position;
    b.rate = rate;
    b.samples.assign(size_t(frames) * 16, 0.f);
    for (int f = 0; f < frames; ++f) {
        b.samples[size_t(f) * 16] = even;    // output 0: left
        b.samples[size_t(f) * 16 + 3] = odd; // output 3: right
    }
    return b;
}

} // namespace

TEST(AudioOutput, ClockFollowsThePlayedFramesThroughBlocksOfDifferentRates) {
    auto owned = std::make_unique<CaptureAudioDevice>();
    CaptureAudioDevice& device = *owned;
    AudioOutput output(std::move(owned));
    EXPECT_TRUE(output.start());
    device.setManualClock(true);
    double heard = -1;
    EXPECT_FALSE(output.playedPosition(heard)) << "nothing queued yet";

    output.play(block(10.0, 1.0, 4800, 0.5f, 0.25f)); // 10.0 .. 10.1
    output.play(block(10.1, 2.0, 4800, 0.5f, 0.25f)); // 10.1 .. 10.3 at twice the speed
    EXPECT_NEAR(output.pendingSeconds(), 0.2, 1e-9);

    const struct {
        int64_t advance;
        double expected;
    } steps[] = {{0, 10.0}, {2400, 10.05}, {2400, 10.1}, {2400, 10.2}, {2400, 10.3}, {1000, 10.3}};
    for (const auto& step : steps) {
        device.advance(step.advance);
        ASSERT_TRUE(output.playedPosition(heard));
        EXPECT_NEAR(heard, step.expected, 1e-9) << "after " << device.playedFrames() << " frames";
    }

    const auto captured = device.captured();
    ASSERT_EQ(captured.size(), size_t(9600 * 2)) << "stereo on the device";
    EXPECT_EQ(captured[0], 0.5f);
    EXPECT_EQ(captured[1], 0.25f);

    output.play(block(20.0, 1.0, 4800, 0.f, 0.f));
    device.advance(100);
    output.flush();
    EXPECT_FALSE(output.playedPosition(heard)) << "a seek forgets the old position";
    EXPECT_EQ(device.clearCount(), 1);
    output.play(block(5.0, 1.0, 480, 0.f, 0.f));
    device.advance(240);
    ASSERT_TRUE(output.playedPosition(heard));
    EXPECT_NEAR(heard, 5.005, 1e-9);

    output.setPaused(false);
    EXPECT_FALSE(device.paused());
    output.stop();
    output.play(block(6.0, 1.0, 480, 0.f, 0.f));
    EXPECT_FALSE(output.playedPosition(heard)) << "stopped: no clock";
}
