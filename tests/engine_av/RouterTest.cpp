// Channel routing: the map text, streams laid out differently, format conversion, stream alignment.
#include <gtest/gtest.h>

#include <cmath>

#include "AudioFixtures.h"
#include "audio/ChannelRouter.h"

using namespace engine::ff;

namespace {

constexpr int kFrames = 480;
float sourceLevel(int channel) {
    return float(channel + 1) / 64;
}

// The routed output of one block of the 16 source channels, delivered either as sixteen mono streams
// (float planar) or as one 16-channel stream (16-bit interleaved).
std::vector<float> routeBlock(const QString& mapText, bool sixteenMonoStreams) {
    ChannelRouter router(sixteenMonoStreams ? std::vector<int>(16, 1) : std::vector<int>{16});
    router.setMap(mapText);
    if (sixteenMonoStreams) {
        for (int s = 0; s < 16; ++s)
            router.push(s, *avtest::makeAudioFrame(1, AV_SAMPLE_FMT_FLTP, 48000, kFrames,
                                                   [s](int, int) { return sourceLevel(s); }));
    } else {
        router.push(0, *avtest::makeAudioFrame(16, AV_SAMPLE_FMT_S16, 48000, kFrames,
                                               [](int c, int) { return sourceLevel(c); }));
    }
    std::vector<float> out;
    EXPECT_EQ(router.pull(100000, out), kFrames);
    return out;
}

} // namespace

TEST(ChannelRouter, RoutesByMapAlikeForSixteenMonoStreamsAndOneSixteenChannelStream) {
    struct Case {
        const char* map;
        std::array<int, 16> expectedSource; // -1: silence
    };
    const Case cases[] = {
        {"0,1,2,3,4,5,6,7,8,9,10,11,12,13,14,15", {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}},
        {"15,14,13,12,11,10,9,8,7,6,5,4,3,2,1,0", {15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0}},
        {"0,-1,2,-1,-1,-1,-1,-1,-1,-1,-1,-1,-1,-1,-1,-1",
         {0, -1, 2, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1}},
        // Channels that do not exist and other negatives are silence; one source may feed several outputs.
        {"16,99,-5,3,3, 3 ,0,0,0,0,0,0,0,0,0,15", {-1, -1, -1, 3, 3, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 15}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.map);
        const auto mono = routeBlock(QString::fromLatin1(c.map), true);
        const auto multi = routeBlock(QString::fromLatin1(c.map), false);
        ASSERT_EQ(mono.size(), size_t(kFrames * 16));
        ASSERT_EQ(multi.size(), mono.size());
        for (int f : {0, kFrames / 2, kFrames - 1}) {
            for (int k = 0; k < 16; ++k) {
                const int src = c.expectedSource[size_t(k)];
                const float want = src < 0 ? 0.f : sourceLevel(src);
                EXPECT_NEAR(mono[size_t(f * 16 + k)], want, 1e-4) << "mono, output " << k;
                EXPECT_NEAR(multi[size_t(f * 16 + k)], want, 1e-4) << "16-channel, output " << k;
            }
        }
    }
}

TEST(ChannelRouter, RejectedMapTextKeepsThePreviousMap) {
    ChannelRouter router({16});
    EXPECT_EQ(router.map(), identityChannelMap()) << "before any map every channel goes to its own output";
    ASSERT_TRUE(router.setMap(QStringLiteral("15,14,13,12,11,10,9,8,7,6,5,4,3,2,1,0")));
    const ChannelMap reversed = router.map();
    for (const char* garbage :
         {"", "garbage", "0,1,2", "0,1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16",
          "0,1,2,3,4,5,6,7,8,9,10,11,12,13,14,x", "0,1,2,3,4,5,6,7,8,9,10,11,12,13,,15",
          "0;1;2;3;4;5;6;7;8;9;10;11;12;13;14;15", "0,1,2,3,4,5,6,7,8,9,10,11,12,13,14,1.5"}) {
        EXPECT_FALSE(router.setMap(QString::fromLatin1(garbage))) << garbage;
        EXPECT_EQ(router.map(), reversed) << garbage;
    }
}

TEST(ChannelRouter, ChannelsAreNumberedAcrossStreamsInStreamOrder) {
    // A stereo stream then a mono one: source channels 0, 1 are the stereo pair, 2 the mono track.
    ChannelRouter router({2, 1});
    router.setMap(QStringLiteral("2,0,1,3,-1,-1,-1,-1,-1,-1,-1,-1,-1,-1,-1,-1"));
    router.push(0, *avtest::makeAudioFrame(2, AV_SAMPLE_FMT_S32, 48000, 100,
                                           [](int c, int) { return c ? -0.5 : 0.25; }));
    router.push(1, *avtest::makeAudioFrame(1, AV_SAMPLE_FMT_FLT, 48000, 100, [](int, int) { return 0.75; }));
    std::vector<float> out;
    ASSERT_EQ(router.pull(1000, out), 100);
    EXPECT_NEAR(out[0], 0.75, 1e-6);
    EXPECT_NEAR(out[1], 0.25, 1e-6);
    EXPECT_NEAR(out[2], -0.5, 1e-6);
    EXPECT_EQ(out[3], 0.f) << "channel 3 does not exist";
}

TEST(ChannelRouter, StreamsStayAlignedAndTheEndIsPaddedWithSilence) {
    ChannelRouter router({1, 1});
    router.push(0, *avtest::makeAudioFrame(1, AV_SAMPLE_FMT_FLT, 48000, 1000, [](int, int) { return 0.5; }));
    router.push(1, *avtest::makeAudioFrame(1, AV_SAMPLE_FMT_FLT, 48000, 400, [](int, int) { return 0.25; }));
    EXPECT_EQ(router.available(), 400);
    std::vector<float> out;
    EXPECT_EQ(router.pull(300, out), 300);
    EXPECT_EQ(router.available(), 100);
    EXPECT_EQ(router.drain(out), 700);
    EXPECT_EQ(out[0], 0.5f);
    EXPECT_EQ(out[1], 0.25f);
    EXPECT_EQ(out[size_t(100 * 16 + 1)], 0.f) << "stream 1 ended: silence, not stale samples";
    EXPECT_EQ(router.available(), 0);

    // A stream that stops delivering holds the others back by at most a second.
    for (int i = 0; i < 3; ++i)
        router.push(
            0, *avtest::makeAudioFrame(1, AV_SAMPLE_FMT_FLT, 48000, 24000, [](int, int) { return 0.5; }));
    EXPECT_EQ(router.available(), 72000 - ChannelRouter::kMaxLagFrames);
    EXPECT_EQ(router.pull(100000, out), 72000 - ChannelRouter::kMaxLagFrames);
    EXPECT_EQ(out[1], 0.f);
    EXPECT_EQ(router.available(), 0);

    router.reset();
    EXPECT_EQ(router.drain(out), 0) << "a seek drops what was queued";
}

TEST(ChannelRouter, ConvertsOtherRatesAndFormatsTo48kFloat) {
    ChannelRouter router({2});
    constexpr int kRate = 44100;
    for (int block = 0; block < 10; ++block) {
        router.push(0, *avtest::makeAudioFrame(2, AV_SAMPLE_FMT_S16, kRate, kRate / 10, [block](int, int i) {
                        return 0.5 * std::sin(2 * M_PI * 1000.0 * (block * (kRate / 10) + i) / kRate);
                    }));
    }
    std::vector<float> out;
    const int got = router.drain(out);
    EXPECT_NEAR(got, 48000, 2) << "one second of audio stays one second long";
    EXPECT_NEAR(avtest::toneFrequency(out, 16, 1, 48000), 1000.0, 2.0);
    EXPECT_EQ(out[size_t(1000 * 16 + 2)], 0.f);
}
