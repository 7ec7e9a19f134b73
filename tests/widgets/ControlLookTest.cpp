#include <gtest/gtest.h>

#include <QCalendarWidget>
#include <QSignalSpy>
#include <QTest>

#include "widgets/BitmapButton.h"
#include "widgets/DatePicker.h"

TEST(BitmapButton, CaptionColourAndSizeFollowThePointerAndGreyWhenDisabled) {
    widgets::BitmapButton button(">>");
    button.setCaptionColors(QColor(0, 255, 0), Qt::white);
    button.setCaptionPixelSizes(19, 15);
    button.resize(48, 40);
    button.show();
    struct Step {
        QEvent::Type pointer;
        bool enabled;
        QColor colour;
        int pixels;
    };
    const Step steps[] = {
        {QEvent::Leave, true, Qt::white, 15},
        {QEvent::Enter, true, QColor(0, 255, 0), 19},
        {QEvent::Enter, false, Qt::gray, 19},
        {QEvent::Leave, false, Qt::gray, 15},
    };
    for (const Step& s : steps) {
        button.setEnabled(s.enabled);
        if (s.pointer == QEvent::Enter) {
            QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), button.mapToGlobal(QPointF(5, 5)));
            QCoreApplication::sendEvent(&button, &enter);
        } else {
            QEvent leave(QEvent::Leave);
            QCoreApplication::sendEvent(&button, &leave);
        }
        EXPECT_EQ(button.captionColor(), s.colour);
        EXPECT_EQ(button.captionPixelSize(), s.pixels);
    }
    QSignalSpy clicks(&button, &QAbstractButton::clicked);
    button.setEnabled(true);
    QTest::mouseClick(&button, Qt::LeftButton);
    EXPECT_EQ(clicks.count(), 1);
}

TEST(DatePicker, ClosingTheCalendarRaisesCloseUpWithOrWithoutAChangeOfDate) {
    widgets::DatePicker picker;
    picker.show();
    QSignalSpy closeUps(&picker, &widgets::DatePicker::closeUp);
    QWidget* popup = picker.calendarWidget()->window();
    ASSERT_NE(popup, &picker);
    for (int round = 1; round <= 2; ++round) {
        popup->show();
        popup->hide();
        EXPECT_EQ(closeUps.count(), round);
    }
    picker.setDate(QDate(2025, 7, 5)); // typing or code alone is no close-up
    EXPECT_EQ(closeUps.count(), 2);
}
