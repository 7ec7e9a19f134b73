#include <gtest/gtest.h>

#include <QDir>

#include "library/StoragePaths.h"
#include "settings/StoredFlag.h"

using namespace library;

namespace {
const QString sep = QDir::separator();
}

TEST(StoragePaths, RootGetsExactlyOneTrailingSeparatorAdded) {
    const QString base = QDir::toNativeSeparators(QDir::homePath() + "/Ingest");
    const struct {
        QString stored, expected;
    } cases[] = {
        {base, base + sep},
        {base + sep, base + sep},
        {base + sep + sep, base + sep + sep}, // one dropped, one added: the double stays
    };
    for (const auto& c : cases)
        EXPECT_EQ(normalisedStorage(c.stored), c.expected) << c.stored.toStdString();
    EXPECT_EQ(defaultStorageRoot(), base);
}

TEST(StoragePaths, DayAndChannelFoldersArePaddedAndEndWithTheSeparator) {
    const QString root = "R" + sep;
    EXPECT_EQ(dayFolder(root, QDate(2025, 7, 5)), "R" + sep + "2025" + sep + "07" + sep + "05" + sep);
    EXPECT_EQ(dayFolder(root, QDate(987, 12, 31)), "R" + sep + "0987" + sep + "12" + sep + "31" + sep);
    EXPECT_EQ(channelFolder(root, QDate(2025, 7, 5), "Canal Notícias"),
              dayFolder(root, QDate(2025, 7, 5)) + "Canal Notícias" + sep);
    for (const QString bad : {"", ".", "..", "../x", "a/b"})
        EXPECT_THROW(channelFolder(root, QDate(2025, 7, 5), bad), std::runtime_error) << bad.toStdString();
}

TEST(StoredFlag, NumbersAndTrueFalseAreReadAndOtherTextIsAnError) {
    const struct {
        const char* text;
        bool on;
    } cases[] = {{"-1", true}, {"0", false}, {"2", true}, {"TRUE", true}, {"false", false}, {" 1 ", true}};
    for (const auto& c : cases)
        EXPECT_EQ(readStoredFlag("UnificaFolder", c.text), c.on) << c.text;
    for (const char* bad : {"sim", "", "1x"})
        EXPECT_THROW(readStoredFlag("UnificaFolder", bad), std::runtime_error) << bad;
}
