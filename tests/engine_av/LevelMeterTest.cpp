// Levels in dBFS for known signals, and the peak's hold and fall.
#include <gtest/gtest.h>

#include "AudioFixtures.h"
#include "overlay/LevelMeter.h"

using namespace engine::ff;

TEST(LevelMeter, SineAtMinus20PeaksAtMinus20WithRmsThreeDecibelsLower) {
    constexpr int kRate = 48000;
    LevelMeter meter(16);
    // Channels 0..7: sine at -20 dBFS; channel 8: full-scale square wave; channels 9..15: silence.
    auto audio = avtest::sineInterleaved(16, kRate, 1000.0, 0.1, 2 * kRate);
    for (size_t f = 0; f < audio.size() / 16; ++f) {
        audio[f * 16 + 8] = (f / 24) % 2 ? 1.f : -1.f;
        for (int c = 9; c < 16; ++c)
            audio[f * 16 + size_t(c)] = 0.f;
    }
    for (int at = 0; at < 2 * kRate; at += 960)
        meter.add(audio.data() + size_t(at) * 16, 960, kRate);
    const auto levels = meter.levels();
    ASSERT_EQ(levels.size(), 16u);
    for (int c = 0; c < 8; ++c) {
        EXPECT_NEAR(levels[size_t(c)].rmsDb, -23.0, 0.3) << c;
        EXPECT_NEAR(levels[size_t(c)].peakDb, -20.0, 0.05) << c;
    }
    EXPECT_NEAR(levels[8].rmsDb, 0.0, 0.1);
    EXPECT_NEAR(levels[8].peakDb, 0.0, 0.01);
    EXPECT_EQ(levels[15].rmsDb, LevelMeter::kFloorDb);
    EXPECT_EQ(levels[15].peakDb, LevelMeter::kFloorDb);

    meter.reset();
    EXPECT_EQ(meter.levels()[0].peakDb, LevelMeter::kFloorDb);
}

TEST(LevelMeter, PeakHoldsThenFallsWhileRmsFollowsTheSilence) {
    constexpr int kRate = 48000;
    LevelMeter meter(1);
    const auto tone = avtest::sineInterleaved(1, kRate, 1000.0, 0.5, kRate / 2);
    meter.add(tone.data(), kRate / 2, kRate);
    const float peak = meter.levels()[0].peakDb;
    EXPECT_NEAR(peak, -6.02, 0.05);

    const std::vector<float> silence(kRate / 10, 0.f);
    for (int i = 0; i < 14; ++i)
        meter.add(silence.data(), kRate / 10, kRate); // 1.4 s: still held
    EXPECT_FLOAT_EQ(meter.levels()[0].peakDb, peak);
    EXPECT_LT(meter.levels()[0].rmsDb, peak - 3.f - 15.f) << "RMS falls with the silence";
    for (int i = 0; i < 11; ++i)
        meter.add(silence.data(), kRate / 10, kRate); // 1 s of fall: about -20 dB
    EXPECT_NEAR(meter.levels()[0].peakDb, peak - 20.f, 2.5f);
}
