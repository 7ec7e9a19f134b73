// The settings store and the window-position routines.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>
#include <QWidget>

#include "FileSizeLimit.h"
#include "QtPrinters.h"
#include "TempSettings.h"
#include "settings/RegConfig.h"

namespace {

struct StoreCase {
    const char* name;
    QString stored;  // null: value missing
    QString operation, text, expected;
};

TEST(RegConfig, OperationsOnMissingEmptyAndStoredValues) {
    const StoreCase cases[] = {
        {"missing gives the default", QString(), "ler", "dflt", "dflt"},
        {"empty stored text gives the default", "", "ler", "dflt", "dflt"},
        {"missing with empty default", QString(), "ler", "", ""},
        {"stored text wins over any default", "abc", "ler", "dflt", "abc"},
        {"write answers OK", QString(), "escrever", "x", "OK"},
        {"delete of a missing value answers OK", QString(), "excluir", "", "OK"},
        {"operation words are exact", "abc", "LER", "dflt", ""},
        {"unknown operation", "abc", "gravar", "new", ""},
    };
    for (const auto& c : cases) {
        TempSettings clean;
        if (!c.stored.isNull()) RegConfig("escrever", "v", c.stored);
        EXPECT_EQ(RegConfig(c.operation, "v", c.text), c.expected) << c.name;
    }
}

TEST(RegConfig, WriteReadDeleteAndUnknownWordsChangeNothing) {
    TempSettings clean;
    RegConfig("escrever", "storage", "/mnt/rec");
    EXPECT_EQ(RegConfig("ler", "storage", "other"), "/mnt/rec");
    RegConfig("gravar", "storage", "/elsewhere");
    EXPECT_EQ(RegConfig("ler", "storage", ""), "/mnt/rec");
    RegConfig("excluir", "storage", "");
    EXPECT_EQ(RegConfig("ler", "storage", "gone"), "gone");
}

TEST(RegConfig, SeesWritesOfAnotherStoreObject) {
    TempSettings clean;
    {
        QSettings other(QSettings::NativeFormat, QSettings::UserScope, "Orvanta", "VELTRA-PLAYER-2025");
        other.setValue("extensao", "mxf");
    }
    EXPECT_EQ(RegConfig("ler", "extensao", "avi"), "mxf");
}

TEST(RegConfig, ValueOfAnotherTypeIsAnError) {
    TempSettings clean;
    {
        QSettings other(QSettings::NativeFormat, QSettings::UserScope, "Orvanta", "VELTRA-PLAYER-2025");
        other.setValue("formato", QStringList{"a", "b"});
    }
    EXPECT_THROW(RegConfig("ler", "formato", "0"), std::runtime_error);
}

// Points the store's user or system location elsewhere for one test and puts it back afterwards.
class StoreLocation {
  public:
    explicit StoreLocation(QSettings::Scope scope) : scope_(scope) {
        const QString file =
            QSettings(QSettings::NativeFormat, scope, "Orvanta", "VELTRA-PLAYER-2025").fileName();
        original_ = QFileInfo(QFileInfo(file).absolutePath()).absolutePath();
    }
    ~StoreLocation() { QSettings::setPath(QSettings::NativeFormat, scope_, original_); }
    void moveTo(const QString& folder) { QSettings::setPath(QSettings::NativeFormat, scope_, folder); }

  private:
    QSettings::Scope scope_;
    QString original_;
};

TEST(RegConfig, ReadsNothingButTheUsersOwnStore) {
    TempSettings clean;
    QTemporaryDir systemFolder;
    StoreLocation system(QSettings::SystemScope);
    system.moveTo(systemFolder.path());
    const struct {
        const char* where;
        QSettings::Scope scope;
        const char* application;
    } elsewhere[] = {
        {"the user's store of the whole organisation", QSettings::UserScope, nullptr},
        {"the system's store of the program", QSettings::SystemScope, "VELTRA-PLAYER-2025"},
        {"the system's store of the whole organisation", QSettings::SystemScope, nullptr},
    };
    for (const auto& e : elsewhere) {
        QSettings other(QSettings::NativeFormat, e.scope, "Orvanta", e.application);
        other.setValue("storage", "/from/elsewhere");
        other.sync();
        ASSERT_EQ(other.status(), QSettings::NoError) << e.where;
        EXPECT_EQ(RegConfig("ler", "storage", "dflt"), "dflt") << e.where;
        other.clear();
    }
}

TEST(RegConfig, AFailedWriteIsReportedAndNotSeenAsWritten) {
    TempSettings clean;
    RegConfig("escrever", "storage", "/old/root");
    {
        // As on a full disk: the store can be opened but not written again (root may write anywhere).
        const writertest::FileSizeLimit fullDisk(16);
        EXPECT_THROW(RegConfig("escrever", "storage", "/a/much/longer/new/root"), std::runtime_error);
        EXPECT_EQ(RegConfig("ler", "storage", "dflt"), "/old/root");
        EXPECT_THROW(RegConfig("escrever", "ult_data", "05/07/2025"), std::runtime_error);
        EXPECT_EQ(RegConfig("ler", "ult_data", "dflt"), "dflt");
    }
    EXPECT_EQ(RegConfig("ler", "storage", "dflt"), "/old/root");
    EXPECT_EQ(RegConfig("ler", "ult_data", "dflt"), "dflt");
}

TEST(WindowPosition, OnlyPositiveCoordinatesAreRestored) {
    struct Case {
        QString top, left;
        QPoint expected;
    } cases[] = {
        {"120", "0", {40, 120}},
        {"120", "300", {300, 120}},
        {"-5", "-10", {40, 30}},
        {"abc", "", {40, 30}},
    };
    for (const auto& c : cases) {
        TempSettings clean;
        QWidget w;
        w.setObjectName("FrmSetup");
        w.move(40, 30);
        RegConfig("escrever", "topFrmSetup", c.top);
        RegConfig("escrever", "leftFrmSetup", c.left);
        LePosicaoForm(&w);
        EXPECT_EQ(w.pos(), c.expected) << c.top.toStdString() << "," << c.left.toStdString();
    }
}

TEST(WindowPosition, SaveThenRestore) {
    TempSettings clean;
    QWidget w;
    w.setObjectName("FrmSetup");
    w.move(210, 120);
    SalvaPosicaoForm(&w);
    EXPECT_EQ(RegConfig("ler", "topFrmSetup", ""), "120");
    EXPECT_EQ(RegConfig("ler", "leftFrmSetup", ""), "210");
    QWidget again;
    again.setObjectName("FrmSetup");
    LePosicaoForm(&again);
    EXPECT_EQ(again.pos(), QPoint(210, 120));
}

}  // namespace
