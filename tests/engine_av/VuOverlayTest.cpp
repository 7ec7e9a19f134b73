// The VU bars over the picture: one per channel, height by level, the chosen colour and margin.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include "overlay/VuOverlay.h"

using namespace engine::ff;

namespace {

QImage drawn(const std::vector<ChannelLevel>& levels, const VuOptions& options) {
    QImage picture(640, 360, QImage::Format_RGB32);
    picture.fill(Qt::gray);
    QPainter painter(&picture);
    drawVuOverlay(painter, picture.rect(), levels, options);
    return picture;
}

// Pixels of exactly `color` in column x.
int columnCount(const QImage& image, int x, const QColor& color) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        n += image.pixelColor(x, y) == color;
    return n;
}

// Columns holding any pixel of `color`, as runs: one run per bar.
int runsOf(const QImage& image, const QColor& color) {
    int runs = 0;
    bool inside = false;
    for (int x = 0; x < image.width(); ++x) {
        const bool has = columnCount(image, x, color) > 0;
        runs += has && !inside;
        inside = has;
    }
    return runs;
}

} // namespace

TEST(VuOverlay, OneBarPerChannelWithHeightByLevel) {
    const VuOptions options = VuOptions::fromProps("0", "0.05", "blue");
    EXPECT_EQ(options.color, QColor(Qt::blue));
    std::vector<ChannelLevel> levels(4);
    levels[0] = {-12.f, -10.f};
    levels[1] = {-40.f, -30.f};
    levels[2] = {-90.f, -90.f}; // silent: no bar
    levels[3] = {-20.f, -20.f};
    const QImage image = drawn(levels, options);
    EXPECT_EQ(runsOf(image, Qt::blue), 3);

    // Bar heights follow the levels: -12 > -20 > -40.
    std::vector<int> heights;
    for (int x = 0; x < image.width(); ++x)
        if (int n = columnCount(image, x, Qt::blue);
            n > 0 && (heights.empty() || columnCount(image, x - 1, Qt::blue) == 0))
            heights.push_back(n);
    ASSERT_EQ(heights.size(), 3u);
    EXPECT_GT(heights[0], heights[2]);
    EXPECT_GT(heights[2], heights[1]);

    // Margin: nothing within 5% of the left and bottom edges.
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (x < 640 * 0.05 - 1 || y > 360 * 0.95 + 1) {
                ASSERT_EQ(image.pixelColor(x, y), QColor(Qt::gray)) << x << "," << y;
            }
        }
    }
}

TEST(VuOverlay, LoudChannelsTurnRedAndOptionTextsFallBackToDefaults) {
    const QImage image = drawn({{-1.f, 0.f}, {-6.f, -5.f}}, VuOptions{});
    EXPECT_EQ(runsOf(image, Qt::red), 1);
    EXPECT_EQ(runsOf(image, Qt::yellow), 1);

    const VuOptions fallback = VuOptions::fromProps("1", "not a number", "no such colour");
    EXPECT_TRUE(fallback.channelNumbers);
    EXPECT_DOUBLE_EQ(fallback.margin, 0.01);
    EXPECT_EQ(fallback.color, QColor(Qt::green));
    EXPECT_DOUBLE_EQ(VuOptions::fromProps("1", "0.9", "green").margin, 0.01) << "a margin beyond the picture";

    // Channel numbers add text under the bars.
    const std::vector<ChannelLevel> quiet(16);
    EXPECT_NE(drawn(quiet, VuOptions::fromProps("1", "0.01", "green")),
              drawn(quiet, VuOptions::fromProps("0", "0.01", "green")));
}
