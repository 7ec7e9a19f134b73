#include <gtest/gtest.h>

#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>

#include "widgets/CheckBox.h"
#include "widgets/RadioGroup.h"

using widgets::RadioGroup;

namespace {

struct Group {
    RadioGroup group;
    QSignalSpy clicks{&group, &RadioGroup::clicked};
    Group() {
        group.setColumns(2);
        group.setItems({"1x", "2x", "4x", "8x"});
        group.resize(120, 80);
        group.show();
    }
};

} // namespace

TEST(RadioGroup, ClickActionRunsOnEveryChangeOfIndexAndOnlyThen) {
    Group g;
    EXPECT_EQ(g.group.itemIndex(), -1);

    g.group.setItemIndex(0); // by code
    EXPECT_EQ(g.clicks.count(), 1);
    g.group.setItemIndex(0); // same index again
    EXPECT_EQ(g.clicks.count(), 1);

    QTest::mouseClick(g.group.button(2), Qt::LeftButton); // by the operator
    EXPECT_EQ(g.group.itemIndex(), 2);
    EXPECT_EQ(g.clicks.count(), 2);
    QTest::mouseClick(g.group.button(2), Qt::LeftButton); // the chosen item clicked again
    EXPECT_EQ(g.group.itemIndex(), 2);
    EXPECT_EQ(g.clicks.count(), 2);

    g.group.setItemIndex(-1); // none chosen: no click, every button clear
    EXPECT_EQ(g.group.itemIndex(), -1);
    EXPECT_EQ(g.clicks.count(), 2);
    for (int i = 0; i < 4; ++i)
        EXPECT_FALSE(g.group.button(i)->isChecked());

    g.group.setItemIndex(2); // back to an item that was chosen before
    EXPECT_EQ(g.clicks.count(), 3);
    g.group.setItemIndex(7); // outside the items: none
    EXPECT_EQ(g.group.itemIndex(), -1);
    EXPECT_EQ(g.clicks.count(), 3);
}

TEST(RadioGroup, RefillingItemsChoosesNoneWithoutAClick) {
    Group g;
    g.group.setItemIndex(1);
    const int before = int(g.clicks.count());
    g.group.setItems({"Cam A", "Cam B", "Cam C", "Cam D", "Cam E", "Cam F"});
    EXPECT_EQ(g.group.itemIndex(), -1);
    EXPECT_EQ(g.group.count(), 6);
    EXPECT_EQ(g.clicks.count(), before);
    g.group.setItemIndex(5);
    EXPECT_EQ(g.clicks.count(), before + 1);
    g.group.setItemText(4, QString());
    g.group.setItemText(9, "ignored");
    EXPECT_EQ(g.group.items(), QStringList({"Cam A", "Cam B", "Cam C", "Cam D", "", "Cam F"}));
}

TEST(RadioGroup, ItemsFillColumnsTopToBottom) {
    Group g;
    g.group.setItems({"a", "b", "c", "d", "e"});
    g.group.show();
    QCoreApplication::processEvents();
    // Three rows in two columns: a b c in the first, d e in the second.
    EXPECT_EQ(g.group.button(0)->x(), g.group.button(2)->x());
    EXPECT_LT(g.group.button(0)->x(), g.group.button(3)->x());
    EXPECT_EQ(g.group.button(3)->y(), g.group.button(0)->y());
    EXPECT_LT(g.group.button(1)->y(), g.group.button(2)->y());
}

TEST(CheckBox, ClickActionRunsOnEveryChangeOfTick) {
    widgets::CheckBox box("VU");
    QSignalSpy clicks(&box, &widgets::CheckBox::clickAction);
    box.setChecked(true);
    box.setChecked(true);
    EXPECT_EQ(clicks.count(), 1);
    box.resize(60, 20);
    QTest::mouseClick(&box, Qt::LeftButton);
    EXPECT_FALSE(box.isChecked());
    EXPECT_EQ(clicks.count(), 2);
}
