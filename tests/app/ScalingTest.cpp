#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFrame>
#include <QLabel>
#include <QMap>
#include <QWidget>

#include "PlayerLayout.h"
#include "Scaling.h"
#include "widgets/ClipList.h"

namespace {

// The designed layout on a bare window, scaled to `client` as the window's creation does.
struct ScaledLayout {
    QWidget window;
    PlayerControls c;
    QMap<QString, QRect> designed;
    explicit ScaledLayout(QSize client) {
        window.resize(kDesignedClientSize);
        c = buildPlayerLayout(&window);
        for (QWidget* w : window.findChildren<QWidget*>())
            if (!w->objectName().isEmpty() && !w->objectName().startsWith("qt_"))
                designed[w->objectName()] = w->geometry();
        window.resize(client);
        scaleWindowLayout(&window, client, kDesignedClientSize);
    }
    QRect now(const QString& name) const { return window.findChild<QWidget*>(name)->geometry(); }
};

} // namespace

TEST(Scaling, MulDivRoundsHalvesAwayFromZeroWithAWideProduct) {
    struct Case {
        int a, b, c, expected;
    };
    const Case cases[] = {
        {9, 1659, 1106, 14},              // 13.5
        {395, 1659, 1106, 593},           // 592.5
        {386, 1659, 1106, 579},           // 579.0
        {-1, 3, 2, -2},                   // -1.5
        {1, 3, -2, -2},                   // -1.5
        {5, 1, 3, 2},                     // 1.67
        {100000, 100000, 100000, 100000}, // the product overflows 32 bits
        {7, 1, 0, -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(mulDiv(c.a, c.b, c.c), c.expected) << c.a << "*" << c.b << "/" << c.c;
}

TEST(Scaling, DesignedClientSizeKeepsEveryControlWhereItWas) {
    ScaledLayout layout(kDesignedClientSize);
    ASSERT_GT(layout.designed.size(), 50);
    for (auto it = layout.designed.cbegin(); it != layout.designed.cend(); ++it)
        EXPECT_EQ(layout.now(it.key()), it.value()) << it.key().toStdString();
    EXPECT_EQ(layout.now("FileList"), QRect(9, 162, 386, 279));
    EXPECT_EQ(layout.now("PanelCtl"), QRect(409, 0, 697, 618));
    EXPECT_EQ(layout.now("PainelArquivo"), QRect(0, 618, 1106, 26));
    EXPECT_EQ(layout.now("PanelContadores"), QRect(1, 553, 695, 64));
}

TEST(Scaling, OneAndAHalfTimesTheWidthRoundsLikeMulDiv) {
    ScaledLayout layout(QSize(1659, 644));
    const QRect list = layout.now("FileList");
    EXPECT_EQ(list.left(), 14);
    EXPECT_EQ(list.width(), 579);
    EXPECT_EQ(list.top(), 162);
    EXPECT_EQ(list.height(), 279);
}

TEST(Scaling, TwiceTheSizeDoublesEveryControlAndDockedPanelsStayDocked) {
    ScaledLayout layout(QSize(2212, 1288));
    const QSet<QString> docked = {"PanelCtl", "PainelArquivo", "PanelContadores"};
    for (auto it = layout.designed.cbegin(); it != layout.designed.cend(); ++it) {
        if (docked.contains(it.key()))
            continue;
        const QRect d = it.value();
        EXPECT_EQ(layout.now(it.key()), QRect(2 * d.x(), 2 * d.y(), 2 * d.width(), 2 * d.height()))
            << it.key().toStdString();
    }
    EXPECT_EQ(layout.now("PanelCtl"), QRect(818, 0, 1394, 1236));
    EXPECT_EQ(layout.now("PainelArquivo"), QRect(0, 1236, 2212, 52));
    // At the bottom of PanelCtl, inside its one-pixel border, with its doubled height.
    EXPECT_EQ(layout.now("PanelContadores"), QRect(1, 1236 - 1 - 128, 1392, 128));
    // A child's place inside its container follows the window's ratios, not the container's own.
    EXPECT_EQ(layout.now("TBPlay"), QRect(10, 892, 1354, 44));

    // Docked panels follow later resizes of their container too.
    layout.window.resize(2400, 1288);
    layout.window.show();
    QCoreApplication::processEvents();
    EXPECT_EQ(layout.now("PanelCtl").right(), 2399);
    EXPECT_EQ(layout.now("PainelArquivo").width(), 2400);
}
