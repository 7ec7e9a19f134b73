#include <gtest/gtest.h>

#include <QApplication>
#include <QStyle>

#include "ScriptedServices.h"
#include "Theme.h"

TEST(Theme, CarbonAppliesAndAMissingThemeIsNamedInAMessage) {
    auto* app = qApp;
    const QString styleBefore = app->style()->name();
    testsupport::ScriptedServices services;

    EXPECT_FALSE(applyTheme(*app, QStringLiteral("Graphite"), services.messages));
    ASSERT_EQ(services.messages.shown.size(), 1);
    EXPECT_TRUE(services.messages.shown[0].contains("\"Graphite\""));
    EXPECT_TRUE(app->styleSheet().isEmpty()); // the default look stays

    EXPECT_TRUE(applyTheme(*app, QStringLiteral("Carbon"), services.messages));
    EXPECT_EQ(services.messages.shown.size(), 1);
    EXPECT_TRUE(app->styleSheet().contains("QPushButton"));

    app->setStyleSheet(QString());
    app->setStyle(styleBefore);
}
