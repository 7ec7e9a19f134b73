// Picture and sound together, in media time: a sink that owns the source's sound records, in order,
// the pictures presented, the sound sent to be heard and the flushes of what was queued. Sound must
// start (after every flush) at the picture shown, never be sent late, and run without gaps between
// flushes: in steady play, after pause and play, a seek, a rate change, sound enabled while running,
// and after a read stall. Also the end of a looped range and a short track among sixteen.
#include <gtest/gtest.h>

#include <cmath>
#include <condition_variable>
#include <thread>

#include "EngineHarness.h"
#include "core/MediaSink.h"
#include "source/AudioMerger.h"

using namespace engine;
using namespace enginetest;

namespace {
constexpr double kFrame = 1001.0 / 30000.0;
constexpr double kSample = 1.0 / 48000;

class TimelineSink : public ff::IMediaSink {
  public:
    enum Kind { Picture, Sound, Flush };
    struct Event {
        Kind kind;
        double position = 0, end = 0;
        int64_t index = 0;
    };
    explicit TimelineSink(bool paces = false) : paces_(paces) {}

    void onVideo(const ff::FrameHandle& f) override { add({Picture, f->position, f->position + f->duration, f->index}); }
    void onAudio(const ff::AudioHandle& b) override {
        std::lock_guard lk(m_);
        audio_.push_back(b);
    }
    void onSound(const ff::AudioHandle& b) override {
        add({Sound, b->position, b->position + double(b->frames()) / b->sampleRate, 0});
    }
    void onSoundFlush() override { add({Flush}); }
    void onSourceState(int, bool) override {}
    bool pacesSource() const override { return paces_; }

    std::vector<Event> events() const {
        std::lock_guard lk(m_);
        return events_;
    }
    size_t count() const {
        std::lock_guard lk(m_);
        return events_.size();
    }
    std::vector<ff::AudioHandle> audio() const {
        std::lock_guard lk(m_);
        return audio_;
    }

  private:
    void add(Event e) {
        std::lock_guard lk(m_);
        events_.push_back(e);
    }
    const bool paces_;
    mutable std::mutex m_;
    std::vector<Event> events_;
    std::vector<ff::AudioHandle> audio_;
};

MRef<ff::ISourceHub> hubOf(const MRef<IMFile>& source) {
    auto* view = static_cast<ff::ISourceHub*>(query<IMObject>(source)->QueryInterface(ff::ISourceHub::IID));
    return MRef<ff::ISourceHub>::adopt(view);
}

// The rules above, over the events from `from` on; an empty text when they hold.
std::string syncFaults(const std::vector<TimelineSink::Event>& ev, size_t from) {
    std::string faults;
    auto fault = [&](size_t i, const char* what) {
        faults += "event " + std::to_string(i) + " at " + std::to_string(ev[i].position) + ": " + what + "\n";
    };
    double lastPicture = NAN, soundEnd = NAN;
    for (size_t i = 0; i < from && i < ev.size(); ++i)
        if (ev[i].kind == TimelineSink::Picture)
            lastPicture = ev[i].position;
    bool afterFlush = true;
    for (size_t i = from; i < ev.size(); ++i) {
        const auto& e = ev[i];
        if (e.kind == TimelineSink::Picture) {
            lastPicture = e.position;
            continue;
        }
        if (e.kind == TimelineSink::Flush) {
            afterFlush = true;
            continue;
        }
        if (afterFlush) {
            double nextPicture = NAN;
            for (size_t j = i + 1; j < ev.size() && std::isnan(nextPicture); ++j)
                if (ev[j].kind == TimelineSink::Picture)
                    nextPicture = ev[j].position;
            const double off = std::fmin(std::abs(e.position - lastPicture), std::abs(e.position - nextPicture));
            if (!(off <= kFrame + 1e-3))
                fault(i, ("sound starts away from the picture shown at " + std::to_string(lastPicture) +
                          " and the next at " + std::to_string(nextPicture)).c_str());
        } else if (std::abs(e.position - soundEnd) > 2 * kSample) {
            fault(i, "sound has a gap or an overlap");
        }
        if (e.position < lastPicture - kFrame - 1e-3)
            fault(i, "sound sent late");
        afterFlush = false;
        soundEnd = e.end;
    }
    return faults;
}

int soundBlocks(const std::vector<TimelineSink::Event>& ev, size_t from) {
    return int(std::count_if(ev.begin() + long(from), ev.end(), [](auto& e) { return e.kind == TimelineSink::Sound; }));
}

QString tenSeconds() {
    return clip("ten.mp4", [](samples::ClipRecipe& r) { r.frames = 300; });
}

// A source with a TimelineSink attached that owns its sound.
struct Owned {
    Engine eng;
    MRef<IMFile> src = eng.source();
    MRef<ff::ISourceHub> hub = hubOf(src);
    TimelineSink sink;
    explicit Owned(const QString& path, const QString& params = {}, ff::ByteSourceDecorator decorate = {}) : eng(std::move(decorate)) {
        hub->addSink(&sink);
        EXPECT_TRUE(openClip(src, path, params));
        hub->setSoundWanted(&sink, true);
    }
    ~Owned() { hub->removeSink(&sink); }
};

bool advancesBy(const MRef<IMFile>& src, double seconds) {
    const double from = positionOf(src);
    return eventually([&] { return positionOf(src) >= from + seconds; }, 8000);
}
} // namespace

TEST(Sync, SoundStartsWithThePictureAndNeverLateAfterEveryTransportChange) {
    Owned o(tenSeconds());
    auto& [eng, src, hub, sink] = o;
    struct Step {
        const char* name;
        std::function<void()> act;
    };
    const std::vector<Step> steps = {
        {"play", [&] { src->PlayFile(); }},
        {"pause and play", [&] { src->PauseFile(0); std::this_thread::sleep_for(std::chrono::milliseconds(100)); src->PlayFile(); }},
        {"seek while running", [&] { src->SetPosition(6.0, 0); }},
        {"rate 2x", [&] { src->SetRate(2.0); }},
        {"back to 1x and a seek back", [&] { src->SetRate(1.0); src->SetPosition(1.0, 0); }},
        {"sound enabled while running", [&] {
             hub->setSoundWanted(&sink, false);
             std::this_thread::sleep_for(std::chrono::milliseconds(100));
             hub->setSoundWanted(&sink, true);
         }},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        const size_t from = sink.count();
        step.act();
        ASSERT_TRUE(advancesBy(src, 0.5));
        const auto ev = sink.events();
        EXPECT_GT(soundBlocks(ev, from), 5);
        EXPECT_EQ(syncFaults(ev, from), "");
    }
}

TEST(Sync, AfterAReadStallTheClockWaitsAndSoundGoesOnWithTheFirstPicture) {
    std::mutex gm;
    std::condition_variable gcv;
    bool held = false;
    int waiting = 0;
    Owned o(tenSeconds(), {}, ff::gateReads([&](const QString&) {
        std::unique_lock lk(gm);
        ++waiting;
        gcv.notify_all();
        gcv.wait(lk, [&] { return !held; });
        --waiting;
    }, kHeldClipReadAhead));
    auto& [eng, src, hub, sink] = o;
    src->PlayFile();
    ASSERT_TRUE(advancesBy(src, 0.3));
    {
        std::unique_lock lk(gm);
        held = true;
        ASSERT_TRUE(gcv.wait_for(lk, std::chrono::seconds(10), [&] { return waiting > 0; }));
    }
    // The read-ahead plays out, then the source waits at the last picture read, still running.
    double stalledAt = -1;
    ASSERT_TRUE(eventually([&] {
        const double p = positionOf(src);
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        stalledAt = positionOf(src);
        return p == stalledAt && stateOf(src) == 3;
    }, 15000));
    EXPECT_LT(stalledAt, 9.5);
    const size_t from = sink.count();
    {
        std::lock_guard lk(gm);
        held = false;
        gcv.notify_all();
    }
    ASSERT_TRUE(advancesBy(src, 0.5));
    EXPECT_EQ(stateOf(src), 3);
    const auto ev = sink.events();
    EXPECT_GT(soundBlocks(ev, from), 5);
    EXPECT_EQ(syncFaults(ev, from), "");
}

// The last picture of a looped range and its sound up to the out point come before the loop.
TEST(Sync, ALoopedRangeEndsWithItsLastFrameAndItsLastSound) {
    Owned o(clip("two.mp4"), "loop=true");
    auto& [eng, src, hub, sink] = o;
    const double in = 0.5, out = 1.0;
    src->SetInOut(in, out);
    src->SetPosition(in, 0);
    src->PlayFile();
    int wraps = 0;
    ASSERT_TRUE(eventually([&] {
        wraps = 0;
        const auto ev = sink.events();
        int64_t last = -1;
        for (const auto& e : ev)
            if (e.kind == TimelineSink::Picture) {
                wraps += last > e.index;
                last = e.index;
            }
        return wraps >= 2;
    }, 10000));
    hub->removeSink(&sink);
    const auto ev = sink.events();
    const int64_t lastIndex = int64_t(std::ceil(out / kFrame - 0.01)) - 1, inIndex = int64_t(std::floor(in / kFrame + 0.01));
    int64_t last = -1;
    double soundEnd = 0;
    int checked = 0;
    for (const auto& e : ev) {
        if (e.kind == TimelineSink::Sound)
            soundEnd = std::max(soundEnd, e.end);
        if (e.kind != TimelineSink::Picture)
            continue;
        if (last > e.index) {
            ++checked;
            EXPECT_EQ(last, lastIndex) << "the last frame of the range before the loop";
            EXPECT_EQ(e.index, inIndex) << "the loop starts at the in point";
            EXPECT_NEAR(soundEnd, out, 2 * kSample) << "the sound of the range up to the out point";
            soundEnd = 0;
        }
        last = e.index;
    }
    EXPECT_GE(checked, 2);
}

// One track of sixteen ends early: the other fifteen play on with their tones, the short one is silent.
TEST(Sync, AShortTrackAmongSixteenLeavesTheOthersPlaying) {
    const QString shortened = clip("sixteen-short.mkv", [](samples::ClipRecipe& r) {
        r.frames = 90;
        r.audioCodec = "pcm_s16le";
        r.audioTracks = 16;
        r.channelsPerTrack = 1;
        r.endedTrack = 3;
        r.endedTrackFrames = 9; // 0.3 s
    });
    Engine eng;
    auto src = eng.source();
    auto hub = hubOf(src);
    TimelineSink sink(true); // takes every block, as fast as the source goes
    hub->addSink(&sink);
    query<IMProps>(src)->SetProp("eof_stop", "true");
    ASSERT_TRUE(openClip(src, shortened, ""));
    src->PlayFile();
    ASSERT_TRUE(eventually([&] { return stateOf(src) == 1; }, 20000));
    hub->removeSink(&sink);
    // Levels over [1.0, 2.5) s of each output channel (the map is the identity).
    std::vector<double> energy(16, 0.0);
    int64_t counted = 0;
    for (const auto& b : sink.audio())
        for (int i = 0; i < b->frames(); ++i) {
            const double t = b->position + double(i) / b->sampleRate;
            if (t < 1.0 || t >= 2.5)
                continue;
            ++counted;
            for (int c = 0; c < 16; ++c)
                energy[size_t(c)] += double(b->samples[size_t(i) * 16 + size_t(c)]) * b->samples[size_t(i) * 16 + size_t(c)];
        }
    ASSERT_GT(counted, 48000);
    for (int c = 0; c < 16; ++c) {
        const double rms = std::sqrt(energy[size_t(c)] / double(counted));
        if (c == 3)
            EXPECT_LT(rms, 0.001) << "channel " << c;
        else
            EXPECT_NEAR(rms, samples::kToneAmplitude / std::sqrt(2.0), 0.01) << "channel " << c;
    }
}

// A stream that stops while the others go on is not waited for past the merger's lag bound: the others
// come out, the stopped stream's channel is silent, and nothing piles up meanwhile.
TEST(Sync, AStreamThatStopsIsSilentAfterTheLagBoundAndMemoryStaysBounded) {
    ff::AudioMerger merger;
    merger.configure(std::vector<int>(16, 1));
    merger.reset(0);
    const std::vector<float> block(1024, 0.5f);
    int64_t pulled = 0, heardOnStopped = 0;
    for (int k = 0; k < 48000 * 10 / 1024; ++k) { // ten seconds; stream 3 stops after 0.2 s
        for (int s = 0; s < 16; ++s)
            if (s != 3 || k * 1024 < 48000 / 5)
                merger.push(s, k * 1024.0 / 48000, block.data(), 1024);
        while (auto b = merger.pull()) {
            for (int i = 0; i < b->frames(); ++i)
                heardOnStopped += b->samples[size_t(i) * 16 + 3] != 0;
            pulled += b->frames();
        }
        ASSERT_GE(pulled, int64_t(k + 1) * 1024 - ff::AudioMerger::kMaxLagFrames - 4096) << "held back at block " << k;
    }
    EXPECT_LE(heardOnStopped, 48000 / 5 + 1024);
}

namespace {

// After a seek the sound starts at its own sample, wherever the packets' edges fall: a packet that starts
// a few samples before the position read from is cut there, not drawn onto it (the forgiveness for a
// running stream's rounding does not apply to the first samples kept).
TEST(Sync, SoundAfterAResetStartsAtItsOwnSample) {
    for (const int64_t before : {1, 131, 479, 2048}) {
        SCOPED_TRACE(before);
        ff::AudioMerger merger;
        merger.configure({1});
        constexpr int64_t kFrom = 24024;
        merger.reset(double(kFrom) / 48000);
        std::vector<float> ramp(1024); // each sample holds its own index
        for (int64_t start = kFrom - before - 3072; start < kFrom + 4096; start += 1024) {
            for (size_t i = 0; i < ramp.size(); ++i)
                ramp[i] = float(start + int64_t(i));
            merger.push(0, double(start) / 48000, ramp.data(), int(ramp.size()));
        }
        const ff::SourceAudioHandle block = merger.pull();
        ASSERT_TRUE(block);
        EXPECT_EQ(std::llround(block->position * 48000), kFrom);
        EXPECT_EQ(block->samples.front(), float(kFrom));
        EXPECT_EQ(block->samples.back(), float(kFrom + block->frames() - 1));
    }
}

} // namespace
