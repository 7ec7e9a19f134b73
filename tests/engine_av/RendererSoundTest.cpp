// The preview renderer's sound and meter against a stand-in source that shares the product's sink set:
// the sound is heard once however many renderers have audio on, starts at once when enabled while the
// source runs, and the VU meter shows the levels at the position being shown.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <thread>

#include "audio/CaptureAudioDevice.h"
#include "core/EngineObject.h"
#include "render/PreviewRenderer.h"
#include "source/SinkSet.h"

using namespace engine;
using namespace engine::ff;

namespace {

constexpr int kRate = 48000;

// Presents what the test tells it to, from the test's thread, through the product's sink set.
class StandInSource final : public EngineObject<StandInSource, IMObject, ISourceHub> {
  public:
    std::atomic<IAudioClock*> clock{nullptr}; // the sound owner's, as the source's clock would follow it
    std::atomic<int> ownerChanges{0};
    std::atomic<int> soundAsked{0}; // setSoundWanted calls (a renderer makes them from its device thread)

    void setState(int state) {
        state_ = state;
        sinks_.deliverState(state, false);
    }
    void sound(const AudioHandle& block) { sinks_.deliverSound(block); }
    void audio(const AudioHandle& block) { sinks_.deliverAudio(block, 0); }
    void picture(const FrameHandle& frame) { sinks_.deliverVideo(frame, 0); }

    int StartFrom(IMObject*) override { return kNotSupported; }
    int CloseObject() override { return kOk; }
    int GetState(int& s) override {
        s = state_;
        return kOk;
    }
    void addSink(IMediaSink* sink) override {
        sinks_.add(sink, state_, [](uint64_t, uint64_t&) { return false; });
    }
    void removeSink(IMediaSink* sink) override { sinks_.remove(sink, ownerChanged()); }
    void setSoundWanted(IMediaSink* sink, bool wanted) override {
        sinks_.setSoundWanted(sink, wanted, ownerChanged());
        ++soundAsked;
    }
    // Waits until a renderer has asked for sound (or not) `calls` more times than `before`.
    bool soundAskedSince(int before, int calls = 1) const {
        for (int i = 0; i < 1000 && soundAsked < before + calls; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        return soundAsked >= before + calls;
    }
    QString openedPath() const override { return {}; }

  private:
    SinkSet::OwnerChanged ownerChanged() {
        return [this](IAudioClock* c) {
            clock = c;
            ++ownerChanges;
        };
    }
    SinkSet sinks_;
    int state_ = 1;
};

// Channel 0 carries a -20 dBFS tone where `loud` says, the other channels silence.
AudioHandle toneBlock(double position, int frames, bool loud, double rate = 1.0) {
    auto b = std::make_shared<AudioBlock>();
    b->position = position;
    b->rate = rate;
    b->samples.assign(size_t(frames) * AudioBlock::kOutputChannels, 0.f);
    const auto first = int64_t(std::llround(position * kRate));
    for (int f = 0; loud && f < frames; ++f)
        b->samples[size_t(f) * AudioBlock::kOutputChannels] =
            float(0.1 * std::sin(2 * M_PI * 1000.0 * double(first + f) / kRate));
    return b;
}

struct Renderer {
    CaptureAudioDevice* device = nullptr;
    MRef<IMPreview> preview;
    MRef<IMObject> object;

    explicit Renderer(StandInSource& source, bool manualClock = false) {
        preview = query<IMPreview>(makeObject<PreviewRenderer>([this, manualClock] {
            auto d = std::make_unique<CaptureAudioDevice>();
            d->setManualClock(manualClock);
            device = d.get();
            return d;
        }));
        object = query<IMObject>(preview);
        object->StartFrom(&source);
    }
    size_t heardFrames() const { return device ? device->captured().size() / 2 : 0; }
};

class Surface : public IVideoSurface {
  public:
    QSize surfaceSize() const override { return {640, 360}; }
    void presentImage(const QImage& image) override {
        std::lock_guard lk(m_);
        last_ = image;
        cv_.notify_all();
    }
    bool waitFor(const std::function<bool(const QImage&)>& pred) {
        std::unique_lock lk(m_);
        return cv_.wait_for(lk, std::chrono::seconds(3), [&] { return !last_.isNull() && pred(last_); });
    }

  private:
    std::mutex m_;
    std::condition_variable cv_;
    QImage last_;
};

// Pixels of the meter's (green) bars: the picture underneath is black.
int meterPixels(const QImage& img) {
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const QRgb p = img.pixel(x, y);
            n += qGreen(p) > 120 && qRed(p) < 100 && qBlue(p) < 100;
        }
    return n;
}

FrameHandle blackPicture(double position) {
    auto vf = std::make_shared<VideoFrame>();
    vf->frame = makeFrame();
    AVFrame* f = vf->frame.get();
    f->format = AV_PIX_FMT_YUV420P;
    f->width = 320;
    f->height = 180;
    av_frame_get_buffer(f, 0);
    for (int p = 0; p < 3; ++p)
        std::memset(f->data[p], p ? 128 : 16, size_t(f->linesize[p]) * size_t(p ? 90 : 180));
    vf->position = position;
    vf->duration = 0.04;
    return vf;
}

} // namespace

TEST(RendererSound, EnabledWhileTheSourceRunsItPlaysAtOnceAtAnyRate) {
    for (double rate : {1.0, 2.0}) {
        SCOPED_TRACE(rate);
        auto source = makeObject<StandInSource>();
        auto& src = *static_cast<StandInSource*>(query<IMObject>(source).get());
        Renderer r(src);
        src.setState(3);
        const int asked = src.soundAsked;
        r.preview->EnableOutput({}, 1, 1);
        ASSERT_TRUE(src.soundAskedSince(asked)) << "the device is opened off the caller's thread, then sound asked for";
        EXPECT_FALSE(r.device->paused()) << "nothing else will unpause it while the source runs";
        ASSERT_TRUE(src.clock) << "the only renderer with audio owns the sound";

        for (int k = 0; k < 10; ++k)
            src.sound(toneBlock(3.0 + k * 0.1, kRate / 10, true, rate));
        // A second of sound; at 2x the tempo filter holds back up to a tenth of a second of it.
        EXPECT_LE(double(r.heardFrames()), kRate / rate);
        EXPECT_GE(double(r.heardFrames()), (1 - (rate - 1) * 0.1) * kRate / rate);
        double heard = 0;
        ASSERT_TRUE(src.clock.load()->playedPosition(heard));
        EXPECT_NEAR(heard, 3.0 + double(r.heardFrames()) * rate / kRate, 1e-6);

        src.setState(2);
        EXPECT_TRUE(r.device->paused());
        r.object->CloseObject();
    }
}

TEST(RendererSound, TwoRenderersWithAudioOnPlayTheSoundOnceAndTheFirstOwnsTheClock) {
    auto source = makeObject<StandInSource>();
    auto& src = *static_cast<StandInSource*>(query<IMObject>(source).get());
    src.setState(3);
    auto main = std::make_unique<Renderer>(src, true);
    auto second = std::make_unique<Renderer>(src, true);
    main->preview->EnableOutput({}, 1, 1);
    ASSERT_TRUE(src.soundAskedSince(0));
    IAudioClock* const mainClock = src.clock;
    second->preview->EnableOutput({}, 1, 1);
    ASSERT_TRUE(src.soundAskedSince(1));
    EXPECT_EQ(src.clock, mainClock) << "the first renderer with audio keeps the clock";

    src.sound(toneBlock(1.0, 4800, true));
    EXPECT_EQ(main->heardFrames(), 4800u);
    EXPECT_EQ(second->heardFrames(), 0u) << "heard once";
    main->device->advance(480);
    double heard = 0;
    ASSERT_TRUE(src.clock.load()->playedPosition(heard));
    EXPECT_NEAR(heard, 1.01, 1e-9) << "the clock is what the main renderer's device played";

    // Closing the main renderer hands the sound to the second; the source resends from its clock.
    main->object->CloseObject();
    main.reset();
    ASSERT_TRUE(src.clock);
    EXPECT_NE(src.clock, mainClock);
    src.sound(toneBlock(1.01, 4800, true));
    EXPECT_EQ(second->heardFrames(), 4800u);
    second->device->advance(960);
    ASSERT_TRUE(src.clock.load()->playedPosition(heard));
    EXPECT_NEAR(heard, 1.03, 1e-9);

    // A renderer that joins later and closes again leaves the owner's clock alone.
    IAudioClock* const owner = src.clock;
    const int changes = src.ownerChanges;
    auto third = std::make_unique<Renderer>(src, true);
    const int asked = src.soundAsked;
    third->preview->EnableOutput({}, 1, 1);
    ASSERT_TRUE(src.soundAskedSince(asked));
    third->object->CloseObject();
    third.reset();
    EXPECT_EQ(src.clock, owner);
    EXPECT_EQ(src.ownerChanges, changes);
    second->object->CloseObject();
    EXPECT_EQ(src.clock, nullptr);
}

TEST(RendererMeter, ShowsTheLevelsAtThePositionShownNotTheNewestAudio) {
    auto source = makeObject<StandInSource>();
    auto& src = *static_cast<StandInSource*>(query<IMObject>(source).get());
    Surface surface;
    Renderer r(src, true);
    r.preview->SetWindow({}, &surface);
    query<IMProps>(r.preview)->SetProp("overlay_rms", "1");
    query<IMProps>(r.preview)->SetProp("overlay_rms.ch", "0");
    src.setState(3);
    // Silence for a second, then the tone: all of it sent ahead, as a source does.
    for (int k = 0; k < 20; ++k)
        src.audio(toneBlock(k * 0.1, kRate / 10, k >= 10));

    src.picture(blackPicture(0.5));
    EXPECT_TRUE(surface.waitFor([](const QImage& img) { return meterPixels(img) == 0; }))
        << "silent at 0.5 s although the tone is already metered";
    src.picture(blackPicture(1.5));
    EXPECT_TRUE(surface.waitFor([](const QImage& img) { return meterPixels(img) > 100; }));

    // Without pictures (a clip of sound only) the meter is drawn over black at the position heard.
    const int asked = src.soundAsked;
    r.preview->EnableOutput({}, 1, 1);
    // (The device opens on its own thread: started from the source again before that, it would ask the
    // source it is leaving, or none.)
    ASSERT_TRUE(src.soundAskedSince(asked));
    const int reattached = src.soundAsked;
    r.object->StartFrom(&src);
    ASSERT_TRUE(src.soundAskedSince(reattached));
    src.setState(3);
    for (int k = 0; k < 20; ++k)
        src.audio(toneBlock(k * 0.1, kRate / 10, k >= 10));
    src.sound(toneBlock(0.5, 4800, false));
    r.device->advance(480);
    EXPECT_TRUE(surface.waitFor(
        [](const QImage& img) { return meterPixels(img) == 0 && qGray(img.pixel(300, 20)) == 0; }));
    src.sound(toneBlock(1.5, 4800, true));
    r.device->advance(4800 + 480); // 1.52 s heard
    EXPECT_TRUE(surface.waitFor([](const QImage& img) { return meterPixels(img) > 100; }));
    r.object->CloseObject();
}
