// The source clock following the sound heard, in steps of simulated steady time: it re-anchors when it
// starts or the sound starts afresh, slews within its bound otherwise, and never follows a device that
// stalls or reports nonsense.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "core/MediaSink.h"
#include "source/MediaClock.h"

using namespace engine::ff;

namespace {

constexpr double kPoll = 0.01; // the presenter looks about this often

// A sound output whose heard position is a function of the simulated time.
struct ScriptedSound : IAudioClock {
    std::function<double(double)> heardAt; // NaN: reports nothing
    const double* now = nullptr;
    bool playedPosition(double& mediaSeconds) const override {
        const double h = heardAt(*now);
        if (std::isnan(h))
            return false;
        mediaSeconds = h;
        return true;
    }
};

struct ClockRun {
    std::vector<double> positions; // at each poll
    double maxStep = 0;            // largest advance between two polls after the first
    bool followsAtEnd = false;
};

// Starts the clock at `from` (time 0) with the sound scripted by `heard`, polls it for `seconds`.
ClockRun runClock(double from, double rate, const std::function<double(double)>& heard, double seconds) {
    double t = 0;
    ScriptedSound sound;
    sound.heardAt = heard;
    sound.now = &t;
    const IAudioClock* owner = &sound;
    MediaClock clock(owner, [&t] {
        return MediaClock::Clock::time_point(
            std::chrono::duration_cast<MediaClock::Clock::duration>(std::chrono::duration<double>(100 + t)));
    });
    clock.start(from, rate);
    ClockRun run;
    for (; t <= seconds + 1e-9; t += kPoll) {
        run.positions.push_back(clock.position());
        if (run.positions.size() > 2) {
            const double step = run.positions.back() - run.positions[run.positions.size() - 2];
            EXPECT_GE(step, 0) << "a running clock never goes back (t=" << t << ")";
            run.maxStep = std::max(run.maxStep, step);
        }
    }
    run.followsAtEnd = clock.followsSound();
    return run;
}

double nothing(double) {
    return NAN;
}

} // namespace

TEST(MediaClock, RunsOnSteadyTimeAtTheRateWithoutSound) {
    for (double rate : {1.0, 2.0, 8.0}) {
        const ClockRun run = runClock(5.0, rate, nothing, 1.0);
        EXPECT_NEAR(run.positions.back(), 5.0 + rate * 1.0, 1e-6) << rate;
    }
}

TEST(MediaClock, WaitsAtTheStartForTheFirstSoundThenMovesWithIt) {
    // The first block starts at 10.0 and reaches the speaker 60 ms after the start.
    const auto heard = [](double t) { return 10.0 + std::max(0.0, t - 0.06); };
    const ClockRun run = runClock(10.0, 1.0, heard, 1.0);
    EXPECT_NEAR(run.positions[5], 10.0, 1e-9) << "holds the first picture until its sound is heard";
    for (size_t i = 10; i < run.positions.size(); ++i)
        EXPECT_NEAR(run.positions[i], heard(double(i) * kPoll), 0.011) << "in step with the sound at " << i;
}

TEST(MediaClock, SlewsTowardTheSoundWithinItsBoundAndNeverJumps) {
    struct Case {
        const char* what;
        double offset; // the sound runs this far from where the clock started, after 0.2 s
        double rate;
    };
    for (const Case& c : {Case{"sound 40 ms ahead", 0.04, 1.0}, Case{"sound 40 ms behind", -0.04, 1.0},
                          Case{"sound 100 ms ahead at 4x", 0.1, 4.0}}) {
        SCOPED_TRACE(c.what);
        const auto heard = [&c](double t) { return 20.0 + t * c.rate + (t > 0.2 ? c.offset : 0.0); };
        const ClockRun run = runClock(20.0, c.rate, heard, 3.0);
        EXPECT_LE(run.maxStep, kPoll * c.rate * (1 + MediaClock::kSlew) + 1e-9)
            << "no jump, at most 5 % fast";
        const double after02 = run.positions[21] - run.positions[20];
        EXPECT_GE(after02, kPoll * c.rate * (1 - MediaClock::kSlew) - 1e-9) << "at most 5 % slow";
        EXPECT_NEAR(run.positions.back(), heard(3.0), 0.003) << "caught up";
    }
}

TEST(MediaClock, ADeviceThatStallsOrReportsNonsenseNeitherFreezesNorRunsAwayWithTheClock) {
    struct Case {
        const char* what;
        std::function<double(double)> heard;
        double atLeast, atMost; // position after 2 s from 0
    };
    const Case cases[] = {
        {"stalls after 0.5 s", [](double t) { return std::min(t, 0.5); }, 1.95, 2.0},
        {"reports a position far ahead", [](double) { return 1e6; }, 2.0 - 1e-6, 2.0 + 1e-6},
        {"reports infinity", [](double) { return INFINITY; }, 2.0 - 1e-6, 2.0 + 1e-6},
        {"runs 30 % fast", [](double t) { return t * 1.3; }, 2.0, 2.0 * (1 + MediaClock::kSlew)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const ClockRun run = runClock(0.0, 1.0, c.heard, 2.0);
        EXPECT_GE(run.positions.back(), c.atLeast);
        EXPECT_LE(run.positions.back(), c.atMost);
    }
}

TEST(MediaClock, SoundBackFromAStallIsWaitedForBrieflyOrElseLeftUntilItIsResent) {
    struct Case {
        const char* what;
        std::function<double(double)> heard;
        double expected; // position after 2 s from 0
        bool follows;
    };
    const Case cases[] = {
        // Plays 0.5 s, stalls 0.25 s, plays on from where it was: the picture waits for it.
        {"short stall", [](double t) { return t < 0.5    ? t
                                              : t < 0.75 ? 0.5
                                                         : t - 0.25; }, 1.75, true},
        // Stalls 0.8 s: too late to wait for; the clock runs on until the sound is resent from it.
        {"long stall", [](double t) { return t < 0.5   ? t
                                             : t < 1.3 ? 0.5
                                                       : t - 0.8; }, 2.0, false},
        {"long stall, then resent", [](double t) { return t < 0.5   ? t
                                                          : t < 1.3 ? 0.5
                                                          : t < 1.5 ? NAN
                                                                    : t; },
         2.0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const ClockRun run = runClock(0.0, 1.0, c.heard, 2.0);
        EXPECT_NEAR(run.positions.back(), c.expected, 0.015);
        EXPECT_EQ(run.followsAtEnd, c.follows);
    }
}

TEST(MediaClock, ReanchorsWhenTheSoundStartsAfresh) {
    // Nothing reported for 0.3 s (the sound is being resent), then sound 30 ms ahead of the steady clock.
    const auto heard = [](double t) { return t < 0.3 ? NAN : t + 0.03; };
    const ClockRun run = runClock(0.0, 1.0, heard, 0.5);
    EXPECT_GE(run.positions[31], 0.33 - 1e-9) << "jumps forward to the sound at once";
    EXPECT_NEAR(run.positions.back(), heard(0.5), 0.011) << "and moves with it";
}
