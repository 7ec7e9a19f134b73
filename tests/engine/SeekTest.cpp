// Frame-exact positioning in long-GOP material: the picture shown is the frame whose interval holds the
// position, read from the frame code drawn in it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <thread>

#include "EngineHarness.h"

using namespace engine;
using namespace enginetest;

namespace {
constexpr double kFrame = 1001.0 / 30000.0;

struct ClipCase {
    const char* name;
    const char* codec;
    const char* audio;
    bool closedGop = true;
};
const ClipCase kClips[] = {
    {"longgop.mp4", "h264", "aac"},
    {"longgop.mxf", "mpeg2video", "pcm_s16le"},
    {"longgop.ts", "h264", "aac"},
    // The two B pictures shown before each key picture are decoded from the GOP before.
    {"longgop_open.mxf", "mpeg2video", "pcm_s16le", false},
};

QString longGop(const ClipCase& c) {
    return clip(c.name, [&](samples::ClipRecipe& s) {
        s.videoCodec = c.codec;
        s.audioCodec = c.audio;
        s.frames = 90;
        s.gopLength = 30;
        s.bFrames = 2;
        s.startSeconds = 3600; // a recording that does not start at zero
        s.closedGop = c.closedGop;
    });
}
// The frame codes presented since the `from`th picture, for a failure's message.
std::string shownSince(const TestSurface& surface, size_t from) {
    std::string codes;
    const std::vector<int64_t> all = surface.codesShown();
    for (size_t i = from; i < all.size(); ++i)
        codes += std::to_string(all[i]) + " ";
    return codes;
}
} // namespace

// The clip open and its first frame shown.
class SeekExact : public testing::TestWithParam<ClipCase> {
  protected:
    void SetUp() override {
        ASSERT_TRUE(openClip(src, longGop(GetParam()), ""));
        ASSERT_TRUE(surface.waitForCode(0));
    }
    Engine eng;
    TestSurface surface;
    MRef<IMFile> src = eng.source();
    MRef<IMPreview> r = eng.renderer(src, surface);
};

TEST_P(SeekExact, ShowsTheFrameHoldingThePositionPausedAndWhilePlaying) {
    const struct {
        double position;
        int64_t frame;
    } cases[] = {
        {44.5 * kFrame, 44}, // mid-GOP, behind B-frames
        {30 * kFrame, 30},   // a key frame
        {29 * kFrame, 29},   // the frame before it
        {28.5 * kFrame, 28}, // inside the frame before that
        {1.0, 29},           // 1 s is inside frame 29 at 29.97
        {89 * kFrame + 0.01, 89},
        {100.0, 89},              // past the end: the last frame
        {-3.0, 0},                // before the start: the first frame
        {61 * kFrame - 1e-4, 61}, // a hair before a frame's start counts as that frame
    };
    for (const auto& c : cases) {
        src->SetPosition(c.position, 0);
        const size_t before = surface.codesShown().size();
        EXPECT_TRUE(surface.waitForCode(c.frame)) << c.position << " showed " << shownSince(surface, before);
        EXPECT_NEAR(positionOf(src), c.frame * kFrame, 1e-3) << c.position;
    }

    // The transport's one-frame steps (1/30 s) move exactly one frame each way on 29.97 material.
    src->SetPosition(50 * kFrame, 0);
    ASSERT_TRUE(surface.waitForCode(50));
    for (int64_t expected = 49; expected >= 40; --expected) {
        ASSERT_TRUE(eventually([&] { return std::abs(positionOf(src) - (expected + 1) * kFrame) < 1e-6; }));
        src->SetPosition(positionOf(src) - 1.0 / 30, 0);
        EXPECT_TRUE(surface.waitForCode(expected))
            << "step back to " << expected << " showed " << surface.code();
    }
    ASSERT_TRUE(eventually([&] { return std::abs(positionOf(src) - 40 * kFrame) < 1e-6; }));
    src->SetPosition(positionOf(src) + 1.0 / 30, 0);
    EXPECT_TRUE(surface.waitForCode(41));

    // Playing: playback goes on from the frame sought.
    src->PlayFile();
    src->SetPosition(70 * kFrame, 0);
    EXPECT_TRUE(surface.waitFor([](const QImage& img) { return samples::readFrameCode(img) >= 72; }))
        << "playing from 70 showed " << surface.code() << ", position " << positionOf(src);
}

// A drag over the position bar: positions one after the other, each superseding the one before, as fast
// as the bar sends them. Whatever is shown meanwhile moves toward the newest position (the nearest
// picture decoded already, the key picture of its GOP), never back to a position given up, and the drag
// ends on the exact frame, which stays.
TEST_P(SeekExact, ADragShowsPicturesMovingTowardItsPositionAndEndsOnItsFrame) {
    const struct {
        int64_t from, to, step;
    } drags[] = {{3, 87, 7}, {86, 11, -5}, {40, 52, 1}};
    for (const auto& d : drags) {
        const size_t before = surface.codesShown().size();
        for (int64_t k = d.from; d.step > 0 ? k <= d.to : k >= d.to; k += d.step) {
            src->SetPosition((double(k) + 0.5) * kFrame, 0);
            std::this_thread::sleep_for(std::chrono::milliseconds(4));
        }
        ASSERT_TRUE(surface.waitForCode(d.to)) << d.from << "->" << d.to << " showed " << shownSince(surface, before);
        std::this_thread::sleep_for(std::chrono::milliseconds(400)); // the rest, and the fill around it
        std::vector<int64_t> shown = surface.codesShown();
        shown.erase(shown.begin(), shown.begin() + std::ptrdiff_t(before));
        shown.erase(std::unique(shown.begin(), shown.end()), shown.end());
        const std::string seen = shownSince(surface, before);
        EXPECT_EQ(shown.back(), d.to) << seen;
        EXPECT_EQ(std::count(shown.begin(), shown.end(), d.to), 1) << "left the frame and came back: " << seen;
        if (d.step > 0) { // (the picture on screen when the drag starts may be drawn again first)
            EXPECT_TRUE(std::is_sorted(shown.begin() + 1, shown.end())) << seen;
            EXPECT_LE(*std::max_element(shown.begin(), shown.end()), d.to) << seen;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Containers, SeekExact, testing::ValuesIn(kClips), [](const auto& info) {
    const std::string name = info.param.name;
    return std::string(info.param.codec) + "_" + name.substr(name.rfind('.') + 1) +
           (info.param.closedGop ? "" : "_open_gop");
});

// While a seek decodes towards a target deep in a long GOP (on storage that answers slowly), the key
// picture the GOP starts with shows meanwhile, and the position reads the target all along.
TEST(SeekPreview, TheKeyPictureOfTheTargetsGopShowsWhileTheTargetIsDecoded) {
    Engine eng(ff::gateReads([](const QString&) { std::this_thread::sleep_for(std::chrono::milliseconds(15)); }));
    TestSurface surface({640, 360});
    auto src = eng.source();
    auto r = eng.renderer(src, surface);
    const QString path = clip("twogops.mp4", [](samples::ClipRecipe& s) {
        s.width = 640;
        s.height = 360;
        s.movingDetail = true;
        s.frames = 180;
        s.gopLength = 60;
    });
    ASSERT_TRUE(openClip(src, path, ""));
    ASSERT_TRUE(surface.waitForCode(0));
    const size_t before = surface.codesShown().size();
    src->SetPosition(170 * kFrame, 0);
    bool positionHeld = true;
    ASSERT_TRUE(eventually([&] {
        positionHeld = positionHeld && std::abs(positionOf(src) - 170 * kFrame) < 1e-6;
        return surface.code() == 170;
    }));
    EXPECT_TRUE(positionHeld);
    // After the picture shown before (which a renderer may draw again), the key picture, then the target.
    std::vector<int64_t> shown = surface.codesShown();
    shown.erase(shown.begin(), shown.begin() + std::ptrdiff_t(before));
    std::erase(shown, 0);
    shown.erase(std::unique(shown.begin(), shown.end()), shown.end());
    EXPECT_EQ(shown, (std::vector<int64_t>{120, 170}));
}
