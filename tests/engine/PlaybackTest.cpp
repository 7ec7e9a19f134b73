// Moving playback: transport states, the end of the range, rate, and a pacing consumer (an export).
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <thread>

#include "EngineHarness.h"
#include "core/MediaSink.h"
#include "source/MediaClock.h"

using namespace engine;
using namespace enginetest;

namespace {
constexpr double kFrame = 1001.0 / 30000.0;

QString twoSeconds() {
    return clip("two.mp4");
}

// A consumer like a writer with rate control: takes its time over every frame and records all it gets.
class PacingSink : public ff::IMediaSink {
  public:
    void onVideo(const ff::FrameHandle& f) override {
        std::this_thread::sleep_for(std::chrono::milliseconds(3));
        std::lock_guard lk(m_);
        frames.push_back(f->index);
    }
    void onAudio(const ff::AudioHandle& b) override {
        std::lock_guard lk(m_);
        audio.push_back({b->position, b->frames()});
    }
    void onSourceState(int, bool) override {}
    bool pacesSource() const override { return true; }

    std::vector<int64_t> framesSoFar() const {
        std::lock_guard lk(m_);
        return frames;
    }
    std::vector<std::pair<double, int>> audioSoFar() const {
        std::lock_guard lk(m_);
        return audio;
    }

  private:
    mutable std::mutex m_;
    std::vector<int64_t> frames;
    std::vector<std::pair<double, int>> audio;
};

class FixedAudioClock : public ff::IAudioClock {
  public:
    explicit FixedAudioClock(double at) : at_(at) {}
    bool playedPosition(double& mediaSeconds) const override {
        ++asked;
        mediaSeconds = at_;
        return true;
    }
    mutable int asked = 0;

  private:
    double at_;
};
} // namespace

// A renderer lets go of the source's clock and is destroyed while the presenter is between two readings
// of the clock: the second reading must not reach the audio clock that was let go.
TEST(Playback, ClockAsksOnlyTheAudioClockTheSourceHoldsNow) {
    FixedAudioClock audio(10.3);
    const ff::IAudioClock* held = &audio;
    ff::MediaClock clock(held);
    clock.start(10.0, 1.0);
    EXPECT_DOUBLE_EQ(clock.position(), 10.3) << "the audio device drives while it is held";
    held = nullptr;
    const int asked = audio.asked;
    EXPECT_GE(clock.position(), 10.3) << "on steady time from where the sound was, never back";
    clock.timeOf(11.0);
    EXPECT_EQ(audio.asked, asked);
}

TEST(Playback, TransportStatesHoldThePicture) {
    Engine eng;
    TestSurface surface;
    auto src = eng.source();
    auto r = eng.renderer(src, surface);
    ASSERT_TRUE(openClip(src, twoSeconds(), ""));
    EXPECT_EQ(src->PauseFile(0), kOk); // pause from stopped
    EXPECT_EQ(stateOf(src), 2);
    src->PlayFile();
    EXPECT_EQ(stateOf(src), 3);
    ASSERT_TRUE(eventually([&] { return positionOf(src) > 0.3; }));
    src->PauseFile(0);
    EXPECT_EQ(stateOf(src), 2);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const double held = positionOf(src);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(positionOf(src), held);
    EXPECT_TRUE(surface.waitForCode(std::llround(held / kFrame)));
    src->StopFile(0);
    EXPECT_EQ(stateOf(src), 1);
    EXPECT_EQ(positionOf(src), held);
}

TEST(Playback, EndOfRangeLoopsStopsOrHoldsTheLastFrame) {
    const struct {
        const char* loop;
        const char* eofStop;
        int stateAfter;
    } cases[] = {{"false", "true", 1}, {"false", "false", 3}, {"true", "true", 3}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("loop=") + c.loop + " eof_stop=" + c.eofStop);
        Engine eng;
        TestSurface surface;
        auto src = eng.source();
        auto r = eng.renderer(src, surface);
        ASSERT_TRUE(openClip(src, twoSeconds(), QString("loop=") + c.loop));
        query<IMProps>(src)->SetProp("eof_stop", c.eofStop);
        src->SetInOut(1.0, 1.5); // frames 29 to 44
        src->SetPosition(1.0, 0);
        src->PlayFile();
        if (QString(c.loop) == "true") {
            ASSERT_TRUE(surface.waitFor([](const QImage& img) { return samples::readFrameCode(img) >= 40; }));
            EXPECT_TRUE(surface.waitFor([](const QImage& img) {
                const auto code = samples::readFrameCode(img);
                return code >= 29 && code < 40;
            }));
            EXPECT_EQ(stateOf(src), 3);
            continue;
        }
        ASSERT_TRUE(surface.waitForCode(44));
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        EXPECT_EQ(surface.code(), 44);
        EXPECT_NEAR(positionOf(src), 44 * kFrame, 1e-6);
        EXPECT_EQ(stateOf(src), c.stateAfter);
    }
}

TEST(Playback, RateChangesTheClockAtOnce) {
    // Two sources run side by side and one of them goes to 4x: over the same span it covers four times
    // the other's media time, whatever the load on the machine.
    Engine eng;
    auto normal = eng.source(), fast = eng.source();
    for (const auto& src : {normal, fast}) {
        ASSERT_TRUE(openClip(src, "ColorBars-HD", ""));
        src->PlayFile();
    }
    ASSERT_TRUE(eventually([&] { return positionOf(normal) > 0.1 && positionOf(fast) > 0.1; }));
    ASSERT_EQ(fast->SetRate(4.0), kOk);
    const double fastFrom = positionOf(fast), normalFrom = positionOf(normal);
    double normalMoved = 0;
    ASSERT_TRUE(eventually([&] { return (normalMoved = positionOf(normal) - normalFrom) > 2.0; }, 10000));
    const double fastMoved = positionOf(fast) - fastFrom;
    EXPECT_NEAR(fastMoved / normalMoved, 4.0, 0.3) << fastMoved << " s against " << normalMoved << " s";
    EXPECT_EQ(fast->SetRate(0), kInvalidArg);
}

TEST(Playback, PacingSinkGetsEveryFrameAndTheAudioOfTheRangeInOrder) {
    // As an export does it: the writer joins right after PlayFile, or a little later.
    for (int joinDelayMs : {0, 250}) {
        SCOPED_TRACE(joinDelayMs);
        Engine eng;
        TestSurface surface;
        auto src = eng.source();
        auto r = eng.renderer(src, surface);
        ASSERT_TRUE(openClip(src, twoSeconds(), ""));
        query<IMProps>(src)->SetProp("eof_stop", "true");
        src->StopFile(0);
        src->SetInOut(0.5, 1.5); // frames 15 (at 0.5005) to 44
        src->SetPosition(0.5, 0);
        src->PlayFile();
        EXPECT_EQ(stateOf(src), 3);
        std::this_thread::sleep_for(std::chrono::milliseconds(joinDelayMs));
        PacingSink sink;
        auto hub = MRef<ff::ISourceHub>::adopt(
            static_cast<ff::ISourceHub*>(src->QueryInterface(ff::ISourceHub::IID)));
        hub->addSink(&sink);
        ASSERT_TRUE(eventually([&] { return stateOf(src) == 1; }, 10000));
        hub->removeSink(&sink);

        std::vector<int64_t> expected;
        for (int64_t i = 14; i <= 44; ++i)
            expected.push_back(i); // 0.5 lies in frame 14
        EXPECT_EQ(sink.framesSoFar(), expected);
        const auto audio = sink.audioSoFar();
        ASSERT_FALSE(audio.empty());
        EXPECT_NEAR(audio.front().first, 14 * kFrame, 1.0 / 48000);
        int64_t samples = 0;
        for (size_t i = 0; i < audio.size(); ++i) {
            if (i) {
                EXPECT_NEAR(audio[i].first, audio[i - 1].first + audio[i - 1].second / 48000.0, 1e-6);
            }
            samples += audio[i].second;
        }
        EXPECT_NEAR(double(samples), (1.5 - 14 * kFrame) * 48000, 1.0);
    }
}

