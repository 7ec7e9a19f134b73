// Full-screen output on a display by index.
#include <gtest/gtest.h>

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include "display/FullScreenOutput.h"
#include "display/VideoWindow.h"

using namespace engine::ff;

TEST(FullScreenOutput, IndexNamingNoDisplayShowsNothing) {
    const int count = int(QGuiApplication::screens().size());
    for (int index : {-1, count, count + 5}) {
        FullScreenOutput output(index);
        EXPECT_FALSE(output.isShowing()) << index;
        EXPECT_EQ(output.surface(), nullptr) << index;
    }
    for (QWidget* w : QApplication::topLevelWidgets())
        EXPECT_FALSE(w->isVisible());
}

TEST(FullScreenOutput, CoversTheChosenDisplayAndShowsWhatIsPresented) {
    ASSERT_FALSE(QGuiApplication::screens().isEmpty());
    QScreen* screen = QGuiApplication::screens().back();
    FullScreenOutput output(int(QGuiApplication::screens().size()) - 1);
    ASSERT_TRUE(output.isShowing());
    ASSERT_NE(output.surface(), nullptr);
    auto* window = dynamic_cast<VideoWindow*>(output.surface());
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->geometry(), screen->geometry());
    EXPECT_TRUE(window->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(output.surface()->surfaceSize(), screen->geometry().size() * window->devicePixelRatio());

    QImage picture(64, 36, QImage::Format_RGB32);
    picture.fill(Qt::red);
    output.surface()->presentImage(picture);
    EXPECT_EQ(window->picture(), picture);
    QImage shown = window->grab().toImage();
    EXPECT_EQ(QColor(shown.pixel(shown.width() / 2, shown.height() / 2)), QColor(Qt::red));
}
