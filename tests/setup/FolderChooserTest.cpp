#include <gtest/gtest.h>

#include "QtPrinters.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>

#include "widgets/QtServices.h"

namespace {
// Answers the next folder dialog: types `typed` into its name box and presses its accept button.
void typeIntoNextFolderDialog(const QString& typed, QString* openedOn) {
    QTimer::singleShot(0, [=] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        *openedOn = dialog->directory().absolutePath();
        dialog->findChild<QLineEdit*>("fileNameEdit")->setText(typed);
        QMetaObject::invokeMethod(dialog, "accept");
    });
}
} // namespace

TEST(QtFolderChooser, OpensOnTheProposalAndReturnsExistingOrTypedNewFolders) {
    QTemporaryDir root;
    QDir(root.path()).mkdir("Storage");
    QDir(root.path()).mkdir("Storage/day");
    services::QtFolderChooser chooser;
    // A dialog that refused a name would stay open behind a warning: close whatever is left so that the
    // test fails instead of hanging.
    QTimer watchdog;
    QObject::connect(&watchdog, &QTimer::timeout, [] {
        if (QWidget* modal = QApplication::activeModalWidget())
            modal->close();
    });
    watchdog.start(2000);
    const struct {
        QString typed, expected;
    } cases[] = {
        {"day", root.path() + "/Storage/day"},
        {root.path() + "/not/yet", root.path() + "/not/yet"},
    };
    for (const auto& c : cases) {
        QString openedOn, chosen;
        typeIntoNextFolderDialog(c.typed, &openedOn);
        ASSERT_TRUE(chooser.chooseFolder(nullptr, root.path() + "/Storage", chosen)) << c.typed.toStdString();
        EXPECT_EQ(openedOn, root.path() + "/Storage");
        EXPECT_EQ(QDir::cleanPath(chosen), c.expected);
    }
    EXPECT_FALSE(QDir(root.path() + "/not").exists()); // creating it is left to the caller
}
