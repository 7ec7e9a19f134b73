// Tempo change keeps the pitch and shortens the audio; the routed channels mix down to the device.
#include <gtest/gtest.h>

#include "AudioFixtures.h"
#include "audio/Downmix.h"
#include "audio/TempoScaler.h"

using namespace engine::ff;

TEST(TempoScaler, FasterPlayKeepsThePitchAndShortensByTheRate) {
    constexpr int kRate = 48000, kChannels = 16, kFrames = kRate * 2;
    const auto tone = avtest::sineInterleaved(kChannels, kRate, 1000.0, 0.5, kFrames);
    for (double rate : {1.0, 2.0, 4.0}) {
        SCOPED_TRACE(rate);
        TempoScaler scaler(kChannels, kRate);
        ASSERT_TRUE(scaler.setRate(rate));
        std::vector<float> out;
        // Fed in blocks the size the source delivers.
        for (int at = 0; at < kFrames; at += 1024)
            scaler.process(tone.data() + size_t(at) * kChannels, std::min(1024, kFrames - at), out);
        scaler.flush(out);
        const double frames = double(out.size()) / kChannels;
        EXPECT_NEAR(frames, kFrames / rate, kFrames / rate * 0.03);
        EXPECT_NEAR(avtest::toneFrequency(out, kChannels, 0, kRate), 1000.0, 15.0);
        EXPECT_NEAR(avtest::toneFrequency(out, kChannels, 15, kRate), 1000.0, 15.0);
    }
}

TEST(TempoScaler, LargeRatesAreChainedFromStagesOfAtMostTwo) {
    struct Case {
        double rate;
        std::vector<double> stages;
    };
    for (const Case& c :
         {Case{8.0, {2.0, 2.0, 2.0}}, Case{3.0, {2.0, 1.5}}, Case{0.25, {0.5, 0.5}}, Case{1.5, {1.5}}})
        EXPECT_EQ(TempoScaler::stageFactors(c.rate), c.stages) << c.rate;
}

TEST(Downmix, EvenOutputsGoLeftOddOutputsRight) {
    std::vector<float> routed(16, 0.f);
    routed[0] = 0.25f;   // left
    routed[2] = 0.5f;    // left
    routed[1] = -0.125f; // right
    routed[15] = 0.5f;   // right
    struct Case {
        int deviceChannels;
        std::vector<float> expected;
    };
    for (const Case& c : {Case{2, {0.75f, 0.375f}}, Case{1, {0.5625f}}, Case{4, {0.75f, 0.375f, 0.f, 0.f}}}) {
        std::vector<float> out;
        downmixRouted(routed.data(), 1, 16, c.deviceChannels, out);
        EXPECT_EQ(out, c.expected) << c.deviceChannels << " device channels";
    }

    // A sum beyond full scale is clipped, not wrapped.
    std::vector<float> loud(16, 0.9f);
    std::vector<float> out;
    downmixRouted(loud.data(), 1, 16, 2, out);
    EXPECT_EQ(out, (std::vector<float>{1.f, 1.f}));
}
