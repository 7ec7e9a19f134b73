#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "widgets/ClipList.h"

using widgets::ClipList;

namespace {

// A recording folder with clips of mixed case, a hidden clip, a folder that looks like a clip, names
// with accents and blanks, and a file without an extension.
class ClipFolder : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        for (const char* name :
             {"b.MXF", "a.mxf", "C.mp4", ".hidden.mxf", "notas.txt", "Edição final.mxf", "LEIAME"})
            touch(QString::fromUtf8(name));
        QDir(dir.path()).mkdir("pasta.mxf");
        startDir = QDir::currentPath();
    }
    void TearDown() override { QDir::setCurrent(startDir); }
    void touch(const QString& name) {
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    QString native(const QString& path) const { return QDir::toNativeSeparators(path); }

    QTemporaryDir dir;
    QString startDir;
    ClipList list;
};

} // namespace

TEST_F(ClipFolder, ListsOrdinaryFilesPerPatternSortedWithoutRegardToCase) {
    struct Case {
        QString mask;
        QStringList entries;
    };
    const Case cases[] = {
        {"*.mxf", {"a.mxf", "b.MXF", "Edição final.mxf"}},
        // A file matching two patterns is listed once; an empty pattern adds nothing.
        {"*.mxf;*.MP4;*.mxf;", {"a.mxf", "b.MXF", "C.mp4", "Edição final.mxf"}},
        {"*.mxf;?.*", {"a.mxf", "b.MXF", "C.mp4", "Edição final.mxf"}},
        {"*.*", {"a.mxf", "b.MXF", "C.mp4", "Edição final.mxf", "LEIAME", "notas.txt"}},
        {"?.m*", {"a.mxf", "b.MXF", "C.mp4"}},
        {"", {}},
    };
    list.setDirectory(dir.path());
    for (const Case& c : cases) {
        list.setMask(c.mask);
        EXPECT_EQ(list.entries(), c.entries) << c.mask.toStdString();
    }
    EXPECT_EQ(QDir::currentPath(), QDir(dir.path()).canonicalPath());
}

TEST_F(ClipFolder, SameMaskDoesNothingAndAnotherMaskRereadsAtOnce) {
    list.setDirectory(dir.path());
    list.setMask("*.mxf");
    touch("d.mxf");
    list.setMask("*.mxf");
    EXPECT_EQ(list.entries().size(), 3);
    list.setMask("*.MXF");
    EXPECT_EQ(list.entries().size(), 4);
    touch("e.mxf");
    list.reread();
    EXPECT_EQ(list.entries().size(), 5);
}

TEST_F(ClipFolder, MissingFolderThrowsAndKeepsFolderAndEntries) {
    list.setDirectory(dir.path() + "/");
    list.setMask("*.mxf");
    const QString folder = list.directory();
    EXPECT_EQ(folder, native(dir.path())); // as the platform reports it, no trailing separator
    const QStringList entries = list.entries();

    EXPECT_THROW(list.setDirectory(dir.filePath("2025/07/05")), widgets::FolderError);
    EXPECT_THROW(list.setDirectory(dir.filePath("a.mxf")), widgets::FolderError); // a file is no folder
    EXPECT_EQ(list.directory(), folder);
    EXPECT_EQ(list.entries(), entries);

    // The listed folder disappearing shows up at the next re-read.
    QTemporaryDir gone;
    list.setDirectory(gone.path());
    gone.remove();
    EXPECT_THROW(list.reread(), widgets::FolderError);
}

TEST_F(ClipFolder, FullNameIsThatOfTheFocusedEntryWhileSelected) {
    list.setDirectory(dir.path());
    list.setMask("*.mxf");
    EXPECT_EQ(list.fullName(), QString());
    list.setCurrentRow(2); // focus and select
    EXPECT_EQ(list.fullName(),
              native(dir.path()) + QDir::separator() + QString::fromUtf8("Edição final.mxf"));
    list.currentItem()->setSelected(false);
    EXPECT_EQ(list.fullName(), QString());
    list.clear();
    EXPECT_EQ(list.fullName(), QString());
    EXPECT_EQ(list.directory(), native(dir.path()));
    EXPECT_EQ(list.mask(), "*.mxf");
}

TEST_F(ClipFolder, CtrlAndShiftClicksSelectSeveralEntriesAndEachClickIsReported) {
    list.setDirectory(dir.path());
    list.setMask("*.*");
    list.resize(300, 200);
    list.show();
    QSignalSpy clicks(&list, &ClipList::clickAction);
    auto clickRow = [&](int row, Qt::KeyboardModifiers mods) {
        QTest::mouseClick(list.viewport(), Qt::LeftButton, mods,
                          list.visualItemRect(list.item(row)).center());
    };
    clickRow(0, {});
    clickRow(2, Qt::ShiftModifier);
    EXPECT_EQ(list.selectedItems().size(), 3); // range 0..2
    clickRow(4, Qt::ControlModifier);
    EXPECT_EQ(list.selectedItems().size(), 4);
    clickRow(1, Qt::ControlModifier);
    EXPECT_EQ(list.selectedItems().size(), 3);
    EXPECT_EQ(clicks.count(), 4);
    EXPECT_EQ(list.currentRow(), 1);
    EXPECT_EQ(list.fullName(), QString()); // the focused entry was just unselected

    list.setFocus();
    QTest::keyClick(&list, Qt::Key_Down);
    EXPECT_EQ(clicks.count(), 5);
    QSignalSpy doubles(&list, &ClipList::doubleClickAction);
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, list.visualItemRect(list.item(1)).center());
    EXPECT_EQ(doubles.count(), 1);
}
