// The renderer's full-screen output on the second of two displays shows what the source presents: the
// window that covers that display carries the paused picture, read back from what it draws.
#include <gtest/gtest.h>

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QTest>
#include <QWidget>

#include "EngineHarness.h"

using namespace engine;
using namespace enginetest;

namespace {

// The visible top-level window that covers `display` exactly, if any.
QWidget* windowCovering(const QRect& display) {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->geometry() == display)
            return w;
    return nullptr;
}

} // namespace

TEST(SecondDisplayPicture, FullScreenOutputShowsThePausedFrame) {
    ASSERT_EQ(QGuiApplication::screens().size(), 2) << "run with the two-display platform configuration";
    const QRect second = QGuiApplication::screens()[1]->geometry();
    Engine eng;
    TestSurface panel;
    auto src = eng.source();
    auto r = eng.renderer(src, panel);
    query<IMProps>(r)->SetProp("maintain_ar", "letter-box");
    ASSERT_EQ(r->SetFullScreen({}, 1, 1), kOk);
    ASSERT_TRUE(openClip(src, clip("second.mp4"), ""));
    for (const int frame : {12, 40}) {
        SCOPED_TRACE(frame);
        src->SetPosition(frame * 1001.0 / 30000, 0);
        ASSERT_TRUE(panel.waitForCode(frame));
        QImage shown;
        EXPECT_TRUE(QTest::qWaitFor(
            [&] {
                QWidget* window = windowCovering(second);
                shown = window ? window->grab().toImage() : QImage();
                return !shown.isNull() && samples::readFrameCode(shown) == frame;
            },
            5000))
            << "the window on the second display shows frame "
            << (shown.isNull() ? -1 : samples::readFrameCode(shown));
        EXPECT_EQ(shown.size(), second.size());
    }

    ASSERT_EQ(r->SetFullScreen({}, 0, 1), kOk);
    EXPECT_TRUE(QTest::qWaitFor([&] { return windowCovering(second) == nullptr; }, 2000));
}
