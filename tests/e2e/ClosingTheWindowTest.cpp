// Closing the main window ends the program, whatever else the program shows: here the engine's
// full-screen output on the second display, a window without a parent on another X screen.
#include <gtest/gtest.h>

#include <QTest>

#include "QtPrinters.h"
#include "RunningPlayer.h"
#include "XWindowProperties.h"

namespace e2e {

TEST(ClosingTheWindow, EndsTheProgramWhileTheSecondDisplayShowsTheOutput) {
    const QString secondDisplay = qEnvironmentVariable("DISPLAY") + ".1";
    ASSERT_FALSE(xOutput("xwininfo", {"-root"}, secondDisplay).isEmpty()) << "run with XVFB_SCREENS=2";
    RunningPlayer running({{"hdmi_out_index", "1"}});
    ASSERT_TRUE(running.player.waitForStarted(10000));
    const WId main = running.mainWindow();
    ASSERT_NE(main, 0u) << "the player showed no window";
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return xOutput("xwininfo", {"-name", QString::fromUtf8("Saída 2")}, secondDisplay)
                .contains("IsViewable");
        },
        60000))
        << "no output on the second display";

    // The operator closes the window as the desktop lets them: Alt+F4 on it.
    xOutput("xdotool", {"windowactivate", "--sync", QString::number(main)});
    xOutput("xdotool", {"key", "--clearmodifiers", "alt+F4"});
    ASSERT_TRUE(running.player.waitForFinished(60000)) << "the program still runs after its window closed";
    EXPECT_EQ(running.player.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(running.player.exitCode(), 0);
}

} // namespace e2e
