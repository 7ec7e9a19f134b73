// The SDL device on SDL's dummy driver, and the silent fallback when no driver can open.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "audio/SdlAudioDevice.h"

using namespace engine::ff;
using namespace std::chrono_literals;

namespace {

// Waits (bounded) until the device has played at least `frames`; returns what it played.
int64_t waitPlayed(const AudioDevice& device, int64_t frames) {
    for (int i = 0; i < 200 && device.playedFrames() < frames; ++i)
        std::this_thread::sleep_for(10ms);
    return device.playedFrames();
}

// One second of silence queued: nothing plays while paused, the clock runs once playing, clear() drops
// the rest.
void exerciseClock(AudioDevice& device) {
    const int rate = device.sampleRate();
    const std::vector<float> second(size_t(rate) * size_t(device.channels()), 0.f);
    device.queue(second.data(), rate);
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(device.playedFrames(), 0) << "a paused device plays nothing";
    EXPECT_EQ(device.pendingFrames(), rate);

    device.setPaused(false);
    const int64_t played = waitPlayed(device, rate / 10);
    EXPECT_GE(played, rate / 10) << "the clock advances while playing";
    EXPECT_LT(played, rate);

    device.clear();
    EXPECT_EQ(device.pendingFrames(), 0);
    const int64_t afterClear = device.playedFrames();
    EXPECT_LE(afterClear - played, rate / 5) << "dropped audio does not count as played";
    std::this_thread::sleep_for(50ms);
    EXPECT_LE(device.playedFrames() - afterClear, 4096) << "nothing left to play";
}

} // namespace

// SDL's dummy driver plays for real; a driver that cannot open falls back to a silent device whose clock
// follows the wall clock. Either way the format asked for is kept.
struct DriverCase {
    const char* name;
    const char* driver;
    bool real;
};

class SdlAudioDriver : public testing::TestWithParam<DriverCase> {
  protected:
    void TearDown() override { setenv("SDL_AUDIODRIVER", "dummy", 1); }
};

TEST_P(SdlAudioDriver, OpensAndItsClockAdvances) {
    setenv("SDL_AUDIODRIVER", GetParam().driver, 1);
    SdlAudioDevice device;
    EXPECT_EQ(device.open(48000, 2), GetParam().real);
    EXPECT_EQ(device.isReal(), GetParam().real);
    EXPECT_EQ(device.sampleRate(), 48000);
    EXPECT_EQ(device.channels(), 2);
    exerciseClock(device);
    device.close();
    EXPECT_FALSE(device.isReal());
}

INSTANTIATE_TEST_SUITE_P(Drivers, SdlAudioDriver,
                         testing::Values(DriverCase{"Dummy", "dummy", true},
                                         DriverCase{"CannotOpen", "no-such-driver", false}),
                         [](const auto& info) { return std::string(info.param.name); });
