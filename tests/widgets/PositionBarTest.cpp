#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>

#include "widgets/PositionBar.h"

using widgets::PositionBar;

TEST(PositionBar, SettingThePositionClampsAndRaisesChangeOnlyOnARealChange) {
    PositionBar bar;
    EXPECT_EQ(bar.position(), 0);
    QStringList events;
    QObject::connect(&bar, &PositionBar::changed, [&] { events << QString::number(bar.position()); });

    struct Case {
        int set, stored;
        bool raised;
    };
    const Case cases[] = {
        {500, 500, true}, {500, 500, false}, {1001, 1000, true}, {5000, 1000, false},
        {999, 999, true}, {-1, 0, true},     {-1, 0, false},     {0, 0, false},
    };
    for (const Case& c : cases) {
        const qsizetype before = events.size();
        bar.setPosition(c.set); // the change event is raised inside this call
        EXPECT_EQ(bar.position(), c.stored) << "set " << c.set;
        EXPECT_EQ(events.size() - before, c.raised ? 1 : 0) << "set " << c.set;
        if (c.raised)
            EXPECT_EQ(events.last(), QString::number(c.stored));
    }
}

TEST(PositionBar, KeepsItsTagAndNeverTakesFocus) {
    PositionBar bar;
    EXPECT_EQ(bar.tag(), 0);
    bar.setTag(1);
    EXPECT_EQ(bar.tag(), 1);
    EXPECT_EQ(bar.focusPolicy(), Qt::NoFocus);
    EXPECT_EQ(bar.minimum(), 0);
    EXPECT_EQ(bar.maximum(), 1000);
}

TEST(PositionBar, PressJumpsToThePointerDragFollowsReleaseRaisesClickThenMouseUp) {
    PositionBar bar;
    bar.resize(677, 22);
    bar.show();
    QStringList events;
    QObject::connect(&bar, &PositionBar::mouseDown, [&] { events << "down"; });
    QObject::connect(&bar, &PositionBar::changed,
                     [&] { events << "change " + QString::number(bar.position()); });
    QObject::connect(&bar, &PositionBar::clicked, [&] { events << "click"; });
    QObject::connect(&bar, &PositionBar::mouseUp, [&] { events << "up"; });

    QTest::mousePress(&bar, Qt::LeftButton, {}, QPoint(bar.width() / 2, 11));
    ASSERT_EQ(events.size(), 2);
    EXPECT_EQ(events[0], "down");
    const int middle = bar.position();
    EXPECT_NEAR(middle, 500, 10);

    QMouseEvent move(QEvent::MouseMove, QPointF(bar.width() - 1, 11),
                     bar.mapToGlobal(QPointF(bar.width() - 1, 11)), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QCoreApplication::sendEvent(&bar, &move);
    EXPECT_EQ(bar.position(), 1000);
    EXPECT_EQ(events.last(), "change 1000");

    QTest::mouseRelease(&bar, Qt::LeftButton, {}, QPoint(bar.width() - 1, 11));
    EXPECT_EQ(events.mid(events.size() - 2), QStringList({"click", "up"}));

    // A press on the thumb does not jump: the position stays until the pointer moves.
    const qsizetype before = events.size();
    QTest::mousePress(&bar, Qt::LeftButton, {}, QPoint(bar.width() - 6, 11));
    EXPECT_EQ(bar.position(), 1000);
    EXPECT_EQ(events.size() - before, 1); // only "down"
    QTest::mouseRelease(&bar, Qt::LeftButton, {}, QPoint(bar.width() - 6, 11));
}
