// The preview's audio path: routed blocks mixed to stereo on the device, tempo-scaled there, never
// queued more than a quarter second ahead, and the media time heard.
#include <gtest/gtest.h>

#include "AudioFixtures.h"
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

struct Capture {
    CaptureAudioDevice* device;
    AudioOutput output;
    explicit Capture(std::unique_ptr<CaptureAudioDevice> owned = std::make_unique<CaptureAudioDevice>())
        : device(owned.get()), output(std::move(owned)) {}
};

TEST(AudioOutput, ClockFollowsThePlayedFramesAndForgetsThemOnFlush) {
    Capture capture;
    CaptureAudioDevice& device = *capture.device;
    AudioOutput& output = capture.output;
    EXPECT_TRUE(output.start());
    device.setManualClock(true);
    double heard = -1;
    EXPECT_FALSE(output.playedPosition(heard)) << "nothing queued yet";

    output.play(block(10.0, 1.0, 4800, 0.5f, 0.25f)); // 10.0 .. 10.1
    output.play(block(10.2, 1.0, 4800, 0.5f, 0.25f)); // 10.2 .. 10.3, after a gap
    EXPECT_NEAR(output.pendingSeconds(), 0.2, 1e-9);

    const struct {
        int64_t advance;
        double expected;
    } steps[] = {{0, 10.0}, {2400, 10.05}, {2400, 10.2}, {2400, 10.25}, {2400, 10.3}, {1000, 10.3}};
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

TEST(AudioOutput, QueuesAtMostAQuarterSecondAheadAndCutsWhatComesBeyond) {
    Capture capture;
    capture.device->setManualClock(true);
    AudioOutput& output = capture.output;
    output.start();
    for (int k = 0; k < 10; ++k) // a second offered at once, as a source that runs ahead would
        output.play(block(1.0 + 0.1 * k, 1.0, 4800, 0.5f, 0.f));
    EXPECT_NEAR(output.pendingSeconds(), AudioOutput::kMaxAheadSeconds, 1e-9);
    EXPECT_EQ(capture.device->captured().size(), size_t(12000 * 2));

    double heard = 0;
    capture.device->advance(12000);
    ASSERT_TRUE(output.playedPosition(heard));
    EXPECT_NEAR(heard, 1.25, 1e-9);
    // What was cut is gone, not played late: the next block is heard at its own position.
    output.play(block(2.0, 1.0, 4800, 0.5f, 0.f));
    capture.device->advance(480);
    ASSERT_TRUE(output.playedPosition(heard));
    EXPECT_NEAR(heard, 2.01, 1e-9);
}

TEST(AudioOutput, TempoScalesTheMixedDownStereoKeepingThePitchAndTheMediaTime) {
    // Output 0 (left) carries 1 kHz from 1 s on, output 3 (right) 500 Hz; two seconds played at 2x.
    constexpr int kRate = 48000, kFrames = 2 * kRate, kBlock = 1920;
    auto left = avtest::sineInterleaved(1, kRate, 1000.0, 0.5, kFrames);
    std::fill(left.begin(), left.begin() + kRate, 0.f);
    const auto right = avtest::sineInterleaved(1, kRate, 500.0, 0.5, kFrames);
    Capture capture; // plays what it gets at once: nothing is cut
    AudioOutput& output = capture.output;
    output.start();
    for (int at = 0; at < kFrames; at += kBlock) {
        AudioBlock b = block(double(at) / kRate, 2.0, kBlock, 0.f, 0.f);
        for (int f = 0; f < kBlock; ++f) {
            b.samples[size_t(f) * 16] = left[size_t(at + f)];
            b.samples[size_t(f) * 16 + 3] = right[size_t(at + f)];
        }
        output.play(b);
    }
    const auto stereo = capture.device->captured();
    const double frames = double(stereo.size()) / 2;
    EXPECT_NEAR(frames, kFrames / 2.0, kFrames / 2.0 * 0.03) << "half as many samples at 2x";
    EXPECT_NEAR(avtest::toneFrequency(stereo, 2, 0, kRate), 1000.0, 15.0);
    EXPECT_NEAR(avtest::toneFrequency(stereo, 2, 1, kRate), 500.0, 10.0);
    double heard = 0;
    ASSERT_TRUE(output.playedPosition(heard));
    EXPECT_NEAR(heard, frames * 2 / kRate, 1e-6) << "each sample heard stands for two of the media";
    size_t onset = 0;
    while (onset < stereo.size() / 2 && std::abs(stereo[onset * 2]) < 0.1f)
        ++onset;
    EXPECT_NEAR(double(onset) * 2 / kRate, 1.0, 0.01) << "the tone starts where the clock says 1 s is heard";
}
