// Full-screen output with two displays side by side (offscreen platform configured with two screens).
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include "display/FullScreenOutput.h"
#include "display/VideoWindow.h"

using namespace engine::ff;

TEST(FullScreenOutputTwoDisplays, EachIndexCoversItsOwnDisplay) {
    ASSERT_EQ(QGuiApplication::screens().size(), 2) << "run with the two-display platform configuration";
    const QRect expected[] = {QRect(0, 0, 1920, 1080), QRect(1920, 0, 1280, 720)};
    for (int index = 0; index < 2; ++index) {
        FullScreenOutput output(index);
        ASSERT_TRUE(output.isShowing()) << index;
        auto* window = dynamic_cast<VideoWindow*>(output.surface());
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(window->geometry(), expected[index]) << index;
        EXPECT_EQ(window->screen(), QGuiApplication::screens()[index]) << index;
        EXPECT_EQ(output.surface()->surfaceSize(), expected[index].size());
    }
    FullScreenOutput none(2);
    EXPECT_FALSE(none.isShowing());
}
