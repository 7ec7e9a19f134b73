// What the renderer plays and draws: routed channels heard through a capture device, captions drawn
// while the caption plug-in is attached, the VU meter over the picture.
#include <gtest/gtest.h>

#include <cmath>
#include <thread>

#include "EngineHarness.h"
#include "audio/CaptureAudioDevice.h"
#include "core/EngineObject.h"
#include "render/PreviewRenderer.h"

using namespace engine;
using namespace enginetest;

namespace {
// Power of `freq` in one channel of interleaved stereo (Goertzel), as an amplitude.
double toneLevel(const std::vector<float>& stereo, int channel, double freq) {
    const int n = int(stereo.size() / 2);
    const double w = 2 * M_PI * freq / 48000;
    double s1 = 0, s2 = 0;
    for (int i = 0; i < n; ++i) {
        const double s0 = stereo[size_t(i) * 2 + size_t(channel)] + 2 * std::cos(w) * s1 - s2;
        s2 = s1;
        s1 = s0;
    }
    return std::sqrt(s1 * s1 + s2 * s2 - 2 * std::cos(w) * s1 * s2) * 2 / std::max(1, n);
}

struct Capturing {
    ff::CaptureAudioDevice* device = nullptr;
    MRef<IMPreview> renderer;
};

Capturing capturingRenderer(const MRef<IMFile>& source) {
    Capturing c;
    c.renderer = query<IMPreview>(ff::makeObject<ff::PreviewRenderer>([&c] {
        auto d = std::make_unique<ff::CaptureAudioDevice>();
        c.device = d.get();
        return d;
    }));
    query<IMObject>(c.renderer)->StartFrom(query<IMObject>(source).get());
    c.renderer->EnableOutput({}, 1, 1);
    return c;
}
} // namespace

TEST(RendererAudio, ChannelMapRoutesTheChosenSourceChannelsAlikeForMonoTracksAndOneWideTrack) {
    const QString monoTracks = clip("mono16.mxf", [](samples::ClipRecipe& s) {
        s.videoCodec = "mpeg2video";
        s.audioCodec = "pcm_s16le";
        s.audioTracks = 16;
        s.channelsPerTrack = 1;
    });
    const QString wideTrack = clip("wide16.mov", [](samples::ClipRecipe& s) {
        s.audioCodec = "pcm_s16le";
        s.audioTracks = 1;
        s.channelsPerTrack = 16;
    });
    for (const QString& path : {monoTracks, wideTrack}) {
        SCOPED_TRACE(path.toStdString());
        Engine eng;
        auto src = eng.source();
        Capturing out = capturingRenderer(src);
        ASSERT_TRUE(out.device);
        // Output 0 (left) carries source 12, output 1 (right) source 5, output 3 (right too) nothing.
        query<IMProps>(src)->SetProp("object::audio_channels",
                                     "12,5,-1,-1,-1,-1,-1,-1,-1,-1,-1,-1,-1,-1,-1,-1");
        ASSERT_TRUE(openClip(src, path, ""));
        src->PlayFile();
        ASSERT_TRUE(eventually([&] { return out.device->captured().size() > 2 * 24000; }));
        src->PauseFile(0);
        const auto pcm = out.device->captured();
        const double expected = samples::kToneAmplitude;
        EXPECT_NEAR(toneLevel(pcm, 0, samples::toneFrequency(12)), expected, 0.02);
        EXPECT_NEAR(toneLevel(pcm, 1, samples::toneFrequency(5)), expected, 0.02);
        EXPECT_LT(toneLevel(pcm, 0, samples::toneFrequency(5)), 0.005);
        EXPECT_LT(toneLevel(pcm, 1, samples::toneFrequency(12)), 0.005);
        EXPECT_LT(toneLevel(pcm, 0, samples::toneFrequency(0)), 0.005);
    }
}

TEST(RendererCaptions, CaptionsAreDrawnOnlyWhileThePluginIsAttached) {
    Engine eng;
    TestSurface surface({640, 360});
    auto src = eng.source();
    auto r = eng.renderer(src, surface);
    const QString path = clip("captions.mp4", [](samples::ClipRecipe& s) {
        s.captions = true;
        s.frames = 75;
    });
    // White caption text on black boxes appears in the lower part of the picture.
    auto captionPixels = [](const QImage& img) {
        int white = 0;
        for (int y = img.height() / 2; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                if (qGray(img.pixel(x, y)) > 235 && qBlue(img.pixel(x, y)) > 235)
                    ++white;
        return white;
    };
    ASSERT_TRUE(openClip(src, path, ""));
    const double shown = (samples::captionShownAtFrame(2) + 3) * 1001.0 / 30000;
    src->SetPosition(shown, 0);
    ASSERT_TRUE(surface.waitForCode(samples::captionShownAtFrame(2) + 3));
    const int without = captionPixels(surface.last());

    auto plugins = query<IMPlugins>(src);
    auto plugin = eng.factory->CreateObject(CLSID_CaptionPlugin);
    ASSERT_EQ(plugins->AttachPlugin(plugin.get(), nullptr), kOk);
    src->SetPosition(0, 0); // captions are decoded from the start of the caption
    src->SetPosition(shown, 0);
    EXPECT_TRUE(surface.waitFor([&](const QImage& img) { return captionPixels(img) > without + 60; }))
        << without << " vs " << captionPixels(surface.last());

    ASSERT_EQ(plugins->DetachPlugin(plugin.get()), kOk);
    int count = -1;
    plugins->CountPlugins(count);
    EXPECT_EQ(count, 0);
    EXPECT_TRUE(surface.waitFor([&](const QImage& img) { return captionPixels(img) <= without + 10; }));
}
