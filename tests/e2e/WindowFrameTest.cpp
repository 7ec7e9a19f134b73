// The main window on a desktop whose window manager adds a frame and a title bar: the outer frame covers
// the display exactly, so the bottom strip stays on screen, and the layout is scaled from its designed
// bounds to the client area inside the frame.
#include "PlayerHarness.h"
#include "Scaling.h"
#include "XWindowProperties.h"

#include <QLabel>
#include <QPushButton>
#include <QScreen>

#include "widgets/StatusStrip.h"

namespace e2e {
namespace {

using WindowFrame = testsupport::PlayerHarness;

// A designed rectangle scaled to `client` the way the layout scales it.
QRect scaled(QRect designed, QSize client) {
    const QSize from = kDesignedClientSize;
    const int left = mulDiv(designed.left(), client.width(), from.width());
    const int top = mulDiv(designed.top(), client.height(), from.height());
    const int right = mulDiv(designed.left() + designed.width(), client.width(), from.width());
    const int bottom = mulDiv(designed.top() + designed.height(), client.height(), from.height());
    return QRect(left, top, right - left, bottom - top);
}

} // namespace

TEST_F(WindowFrame, TheFrameCoversTheDisplayAndTheLayoutFillsTheClientArea) {
    TFrm_Player& window = open();
    const QRect display = QGuiApplication::primaryScreen()->geometry();
    EXPECT_TRUE(QTest::qWaitFor([&] { return window.frameGeometry() == display; }, 10000))
        << "frame " << window.frameGeometry() << " on display " << display;
    const QRect client = window.geometry();
    ASSERT_NE(client.size(), display.size()) << "the window manager drew no frame";
    // What the X server shows agrees.
    EXPECT_EQ(xClientArea(window.winId()), client);
    EXPECT_TRUE(display.contains(client)) << client;

    EXPECT_EQ(ui().FileList->geometry(), scaled(QRect(9, 162, 386, 279), client.size()));
    EXPECT_EQ(ui().BtSetup->geometry(), scaled(QRect(8, 570, 129, 36), client.size()));
    // The docked panels keep to the client area's edges.
    const QRect strip = ui().PainelArquivo->geometry();
    EXPECT_EQ(strip, QRect(0, client.height() - strip.height(), client.width(), strip.height()));
    EXPECT_EQ(strip.height(), scaled(QRect(0, 618, 1106, 26), client.size()).height());
    EXPECT_EQ(ui().PanelCtl->geometry().right(), client.width() - 1);
    EXPECT_EQ(ui().PanelCtl->geometry().bottom(), strip.top() - 1);
}

} // namespace e2e
