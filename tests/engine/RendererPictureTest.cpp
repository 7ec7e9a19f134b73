// What the preview renderer draws, read from the pictures it presents: one field of an interlaced
// picture, the display aspect of non-square pixels, and the VU bars of a tone of known level.
#include <gtest/gtest.h>

#include <QRect>
#include <cmath>
#include <thread>

#include "EngineHarness.h"

using namespace engine;
using namespace enginetest;

namespace {

// Where the moving block's left edge lies in each row of the band [top, bottom): the first column
// brighter than halfway between the grey background and the block.
std::vector<int> blockEdges(const QImage& image, int top, int bottom) {
    std::vector<int> edges;
    for (int y = top; y < bottom; ++y) {
        int x = 0;
        while (x < image.width() && qGray(image.pixel(x, y)) < 150)
            ++x;
        edges.push_back(x);
    }
    return edges;
}

// The smallest rectangle holding every pixel that is not black (letter-box bars are black; the sample
// pictures have a grey background and white guard cells at both ends of their top row).
QRect pictureArea(const QImage& image) {
    QRect area;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) > 40)
                area |= QRect(x, y, 1, 1);
    return area;
}

// Heights, left to right, of the bars of exactly `color`.
std::vector<int> barHeights(const QImage& image, QColor color) {
    std::vector<int> heights;
    bool inside = false;
    for (int x = 0; x < image.width(); ++x) {
        int n = 0;
        for (int y = 0; y < image.height(); ++y)
            n += QColor(image.pixel(x, y)) == color;
        if (n > 0 && !inside)
            heights.push_back(n);
        else if (n > 0)
            heights.back() = std::max(heights.back(), n);
        inside = n > 0;
    }
    return heights;
}

} // namespace

TEST(RendererPicture, OneFieldDeinterlaceShowsTheTopFieldWithoutCombing) {
    // 720x576 interlaced, top field first: in frame 10 the moving block (96 lines high from line 384)
    // starts at column 90 in the top field's lines and at column 94 in the bottom field's. Shown at its
    // own size from the top field, every line of the block starts at column 90.
    const QString path = clip("interlaced.ts", [](samples::ClipRecipe& s) {
        s.videoCodec = "mpeg2video";
        s.width = 720;
        s.height = 576;
        s.rateNum = 25;
        s.rateDen = 1;
        s.interlaced = true;
        s.audioCodec.clear();
    });
    constexpr int kBlockTop = 384, kBlockBottom = 480, kTopFieldEdge = 90, kBottomFieldEdge = 94;
    Engine eng;
    TestSurface surface({720, 576});
    auto src = eng.source();
    auto r = eng.renderer(src, surface);
    auto props = query<IMProps>(r);
    ASSERT_TRUE(openClip(src, path, ""));
    src->SetPosition(10 / 25.0, 0);
    ASSERT_TRUE(surface.waitForCode(10));

    // Lines well inside the block: its first and last lines are blended with the background when a field
    // is stretched to the full height.
    const int top = kBlockTop + 4, bottom = kBlockBottom - 4;
    props->SetProp("deinterlace", "0");
    ASSERT_TRUE(surface.waitFor([&](const QImage& img) {
        const auto edges = blockEdges(img, top, bottom);
        return std::abs(edges[0] - kTopFieldEdge) <= 1 && std::abs(edges[1] - kBottomFieldEdge) <= 1;
    })) << "both fields woven: the lines alternate between the two edges";

    for (const char* value : {"1", "top"}) {
        SCOPED_TRACE(value);
        props->SetProp("deinterlace", value);
        EXPECT_TRUE(surface.waitFor([&](const QImage& img) {
            const auto edges = blockEdges(img, top, bottom);
            return std::all_of(edges.begin(), edges.end(),
                               [&](int x) { return std::abs(x - kTopFieldEdge) <= 1; });
        })) << "edges of lines "
            << top << ".." << bottom << " drawn: " << [&] {
                   std::string text;
                   for (int x : blockEdges(surface.last(), top, bottom))
                       text += std::to_string(x) + " ";
                   return text;
               }();
        EXPECT_EQ(surface.code(), 10);
    }
}

TEST(RendererPicture, AnamorphicPicturesKeepTheirDisplayAspect) {
    // 720x576 with 64:45 pixels is a 16:9 picture: letter-boxed on a 4:3 surface it fills the width and
    // 360 of the 480 lines, with even bars above and below (square pixels would give 600x480).
    const QString path = clip("anamorphic.mp4", [](samples::ClipRecipe& s) {
        s.width = 720;
        s.height = 576;
        s.pixelAspectNum = 64;
        s.pixelAspectDen = 45;
        s.rateNum = 25;
        s.rateDen = 1;
    });
    Engine eng;
    TestSurface surface({640, 480});
    auto src = eng.source();
    auto r = eng.renderer(src, surface);
    query<IMProps>(r)->SetProp("maintain_ar", "letter-box");
    ASSERT_TRUE(openClip(src, path, ""));
    src->SetPosition(5 / 25.0, 0);
    ASSERT_TRUE(surface.waitForCode(5));
    const QRect area = pictureArea(surface.last());
    EXPECT_NEAR(area.left(), 0, 1);
    EXPECT_NEAR(area.width(), 640, 2);
    EXPECT_NEAR(area.top(), 60, 2);
    EXPECT_NEAR(area.height(), 360, 2);
}

TEST(RendererPicture, VuBarsShowTheToneLevelOnTheDecibelScale) {
    // Each channel of the clip is a sine at -20 dBFS peak, so -23 dBFS RMS. The bars are scaled from -60 dBFS
    // at their foot to 0 dBFS at full height, 40% of the picture's: 144 lines of a 360-line picture.
    const QString path = clip("tone.mov", [](samples::ClipRecipe& s) {
        s.audioCodec = "pcm_s16le";
        s.frames = 90;
    });
    const double rmsDb = 20 * std::log10(samples::kToneAmplitude / std::sqrt(2.0));
    const double expectedHeight = 0.4 * 360 * (rmsDb + 60) / 60;
    Engine eng;
    TestSurface surface({640, 360});
    auto src = eng.source();
    auto r = eng.renderer(src, surface);
    auto props = query<IMProps>(r);
    props->SetProp("overlay_rms", "1");
    props->SetProp("overlay_rms.ch", "0");
    props->SetProp("overlay_rms.pos", "0.01");
    props->SetProp("overlay_rms.color", "blue");
    ASSERT_TRUE(openClip(src, path, "loop=true"));
    src->PlayFile();
    // Past the meter's rise, then a few pictures in a row all show the level.
    ASSERT_TRUE(eventually([&] { return positionOf(src) > 1.0; }, 10000));
    for (int n = 0; n < 5; ++n) {
        const int before = surface.presented();
        ASSERT_TRUE(eventually([&] { return surface.presented() > before; }));
        const std::vector<int> heights = barHeights(surface.last(), Qt::blue);
        ASSERT_EQ(heights.size(), 2u) << "one bar per channel with sound";
        for (int h : heights)
            EXPECT_NEAR(h, expectedHeight, 4) << "bar height for " << rmsDb << " dBFS";
    }
}
