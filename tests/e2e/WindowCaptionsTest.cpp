// The captions the desktop shows for the program's windows, read from the X server: the player started as
// the operator starts it, and the engine's full-screen output.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>

#include "QtPrinters.h"
#include "RunningPlayer.h"
#include "XWindowProperties.h"
#include "engine/EngineFactory.h"
#include "engine_ffmpeg/FfmpegEngine.h"

namespace e2e {
namespace {

const QString kMainCaption = QStringLiteral("VELTRA-PLAYER-2025     - release 20.25.07.12");

} // namespace

TEST(WindowCaptions, TheMainWindowShowsExactlyItsCaption) {
    RunningPlayer running;
    ASSERT_TRUE(running.player.waitForStarted(10000));
    const WId main = running.mainWindow();
    ASSERT_NE(main, 0u) << "the player showed no window";
    EXPECT_EQ(xTextProperty(main, "_NET_WM_NAME"), kMainCaption);
    EXPECT_EQ(xTextProperty(main, "WM_NAME"), kMainCaption);
}

TEST(WindowCaptions, TheFullScreenOutputHasAPortugueseCaption) {
    const std::unique_ptr<engine::IEngineFactory> factory = engine::ff::makeFfmpegEngine();
    const auto renderer = engine::create<engine::IMPreview>(*factory, engine::CLSID_PreviewRenderer);
    const QWidgetList before = QApplication::topLevelWidgets();
    renderer->SetFullScreen({}, 1, 0);
    QWidget* output = nullptr;
    for (QWidget* window : QApplication::topLevelWidgets())
        if (!before.contains(window) && window->isVisible())
            output = window;
    ASSERT_NE(output, nullptr) << "no full-screen window";
    ASSERT_TRUE(QTest::qWaitForWindowExposed(output));
    EXPECT_EQ(xTextProperty(output->winId(), "_NET_WM_NAME"), QString::fromUtf8("Saída 1"));
    EXPECT_EQ(xTextProperty(output->winId(), "WM_NAME"), QString::fromUtf8("Saída 1"));
    engine::query<engine::IMObject>(renderer)->CloseObject();
}

} // namespace e2e
