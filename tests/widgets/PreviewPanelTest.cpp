#include <gtest/gtest.h>

#include <QCoreApplication>
#include <thread>

#include "widgets/PreviewPanel.h"

TEST(PreviewPanel, TakesPicturesFromAnotherThreadAndReportsItsSize) {
    widgets::PreviewPanel panel;
    panel.resize(320, 180);
    panel.show();
    QCoreApplication::processEvents();
    EXPECT_EQ(panel.surfaceSize(), QSize(320, 180) * panel.devicePixelRatio());

    std::thread engine([&] {
        for (int i = 0; i < 50; ++i) {
            QImage picture(32, 18, QImage::Format_RGB32);
            picture.fill(QColor(i, 0, 0));
            panel.presentImage(picture);
        }
    });
    engine.join();
    QCoreApplication::processEvents();
    EXPECT_EQ(panel.picture().pixelColor(0, 0), QColor(49, 0, 0)); // the newest picture wins
}
