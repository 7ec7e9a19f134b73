#include <gtest/gtest.h>

#include "QtPrinters.h"

#include "TextLists.h"

TEST(TextLists, PickListSplitsOnlyAtCommasKeepingBlanksAndQuotes) {
    const struct {
        QString text;
        QStringList entries;
    } cases[] = {
        {"a,b", {"a", "b"}},
        {"x, y", {"x", " y"}},
        {"a,b,", {"a", "b", ""}},
        {"\"a,b\",c", {"a,b", "c"}},
        {"\"say \"\"hi\"\"\",d", {"say \"hi\"", "d"}},
        {"", {}},
        {"single", {"single"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(pickListEntries(c.text), c.entries) << c.text.toStdString();
}

TEST(TextLists, ExtensionsSplitAtCommasAndBlanks) {
    const struct {
        QString text;
        QStringList entries;
    } cases[] = {
        {"mxf", {"mxf"}},
        {"mov,mp4 m4a", {"mov", "mp4", "m4a"}},
        {" ts , m2t,,m2ts ", {"ts", "m2t", "m2ts"}},
        {"\"my ext\",b", {"my ext", "b"}},
        {"", {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(extensionEntries(c.text), c.entries) << c.text.toStdString();
}
