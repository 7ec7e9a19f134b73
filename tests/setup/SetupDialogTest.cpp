#include <gtest/gtest.h>

#include "QtPrinters.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>

#include "RecordingEngine.h"
#include "ScriptedServices.h"
#include "TempSettings.h"
#include "WriterConfigFixture.h"
#include "settings/RegConfig.h"
#include "setup/TCodecConfig.h"
#include "setup/TFrmSetup.h"

using testsupport::RecordingEngine;

namespace {

class SetupDialog : public ::testing::Test {
  protected:
    void SetUp() override {
        presetWriterConfig(engine);
        ASSERT_TRUE(home.isValid());
        savedHome = qgetenv("HOME");
        qputenv("HOME", home.path().toUtf8());
    }
    void TearDown() override { qputenv("HOME", savedHome); }
    std::unique_ptr<TFrmSetup> create() {
        return std::make_unique<TFrmSetup>(nullptr, engine, services.view());
    }
    // A dialog created and shown, as the main window's "Setup" button does.
    std::unique_ptr<TFrmSetup> open() {
        auto dialog = create();
        dialog->show();
        return dialog;
    }
    QString inHome(const QString& name) const { return QDir::toNativeSeparators(home.path() + "/" + name); }

    TempSettings settings;
    RecordingEngine engine;
    testsupport::ScriptedServices services;
    QTemporaryDir home;
    QByteArray savedHome;
};

} // namespace

TEST_F(SetupDialog, NothingStoredGivesEmptyStorageAndModeOff) {
    auto dialog = open();
    EXPECT_EQ(dialog->objectName(), "FrmSetup");
    EXPECT_EQ(dialog->windowTitle(), "Setup");
    EXPECT_EQ(dialog->EdStorage->text(), "");
    EXPECT_TRUE(dialog->EdStorage->isReadOnly());
    EXPECT_FALSE(dialog->ChkUnificaFolder->isChecked());
    EXPECT_EQ(dialog->ChkUnificaFolder->layoutDirection(), Qt::RightToLeft);
    EXPECT_EQ(dialog->CodecConfig1->formats->currentText(), "mxf");

    dialog->BtSaveCodec->click();
    EXPECT_EQ(RegConfig("ler", "storage", "missing"), "missing");
    EXPECT_EQ(RegConfig("ler", "UnificaFolder", ""), "0");
    dialog->ChkUnificaFolder->setChecked(true);
    dialog->BtSaveCodec->click();
    EXPECT_EQ(RegConfig("ler", "UnificaFolder", ""), "-1");
    EXPECT_TRUE(services.messages.shown.isEmpty());
}

TEST_F(SetupDialog, StoredFlagIsReadAsNumberOrWordAndAnythingElseIsReported) {
    const struct {
        QString stored;
        bool checked, error;
    } cases[] = {
        {"-1", true, false},   {"0", false, false},     {"1", true, false},   {"2.5", true, false},
        {"TRUE", true, false}, {"False", false, false}, {"sim", false, true}, {"-1x", false, true},
        // Blanks around the word or number are read as the clip list reads them.
        {" true ", true, false}, {"False ", false, false}, {" -1 ", true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored.toStdString());
        services.messages.shown.clear();
        RegConfig("escrever", "UnificaFolder", c.stored);
        RegConfig("escrever", "storage", "/at/creation");
        auto dialog = create();
        RegConfig("escrever", "storage", "/at/show");
        dialog->show();
        EXPECT_TRUE(dialog->isVisible());
        EXPECT_EQ(dialog->ChkUnificaFolder->isChecked(), c.checked);
        if (c.error) {
            // The rest of the show step is skipped: the storage box keeps the text read at creation.
            ASSERT_EQ(services.messages.shown.size(), 1);
            EXPECT_TRUE(services.messages.shown[0].contains(c.stored));
            EXPECT_TRUE(services.messages.shown[0].contains("UnificaFolder"));
            EXPECT_EQ(dialog->EdStorage->text(), "/at/creation");
        } else {
            EXPECT_TRUE(services.messages.shown.isEmpty());
            EXPECT_EQ(dialog->EdStorage->text(), "/at/show");
        }
    }
}

TEST_F(SetupDialog, EachSalvarTouchesOnlyItsOwnSettings) {
    auto dialog = open();
    dialog->ChkUnificaFolder->setChecked(true);
    dialog->BtSaveCodec->click();
    for (const char* name : {"formato", "video_codec", "audio_codec", "RecVideoBitRate", "RecAudioBitRate",
                             "Parametros_Codec", "extensao"})
        EXPECT_EQ(RegConfig("ler", name, "untouched"), "untouched") << name;

    TempSettings::clear();
    dialog->CodecConfig1->BtSaveCodec->click();
    EXPECT_EQ(RegConfig("ler", "formato", ""), "0");
    EXPECT_EQ(RegConfig("ler", "storage", "untouched"), "untouched");
    EXPECT_EQ(RegConfig("ler", "UnificaFolder", "untouched"), "untouched");
}

TEST_F(SetupDialog, PositionIsRestoredOnlyOnAxesWithAPositiveStoredValue) {
    QPoint centred;
    {
        auto dialog = open();
        centred = dialog->pos();
        dialog->move(centred + QPoint(7, 9));
        dialog->close();
        EXPECT_EQ(RegConfig("ler", "topFrmSetup", ""), QString::number(centred.y() + 9));
        EXPECT_EQ(RegConfig("ler", "leftFrmSetup", ""), QString::number(centred.x() + 7));
    }
    ASSERT_GT(centred.x(), 0);
    const struct {
        QString top, left;
        QPoint expected;
    } cases[] = {
        {"120", "0", {centred.x(), 120}},
        {"-5", "300", {300, centred.y()}},
        {"abc", "", centred},
        {"40", "50", {50, 40}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE((c.top + "," + c.left).toStdString());
        TempSettings::clear();
        RegConfig("escrever", "topFrmSetup", c.top);
        RegConfig("escrever", "leftFrmSetup", c.left);
        auto dialog = open();
        EXPECT_EQ(dialog->pos(), c.expected);
    }
}

TEST_F(SetupDialog, ClosingReleasesThePanelWriter) {
    auto dialog = open();
    dialog->close();
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(engine.callsStartingWith("writer1.CloseObject").size(), 1);
    dialog.reset();
    EXPECT_EQ(engine.callsStartingWith("writer1.CloseObject").size(), 1);
}

TEST_F(SetupDialog, ChooserOpensOnTheStorageProposalWhichItCreatesFirst) {
    RegConfig("escrever", "storage", "/before");
    auto dialog = open();
    services.folderChooser.accept = false;
    dialog->BtStorage->click();
    ASSERT_EQ(services.folderChooser.proposals, QStringList({inHome("Storage")}));
    EXPECT_TRUE(QDir(inHome("Storage")).exists());
    EXPECT_EQ(dialog->EdStorage->text(), "/before");

    QDir(home.path()).mkdir("rec");
    services.folderChooser.accept = true;
    services.folderChooser.answer = home.path() + "/rec";
    dialog->BtStorage->click();
    EXPECT_EQ(dialog->EdStorage->text(), inHome("rec"));
    EXPECT_TRUE(services.messages.questions.isEmpty());
    EXPECT_EQ(RegConfig("ler", "storage", ""), "/before"); // nothing saved until "Salvar"
}

TEST_F(SetupDialog, TypedFolderThatDoesNotExistIsCreatedOnlyAfterConfirmation) {
    auto dialog = open();
    services.folderChooser.answer = home.path() + "/new/deep";

    services.messages.answerYes = false;
    dialog->BtStorage->click();
    EXPECT_EQ(services.messages.questions.size(), 1);
    EXPECT_FALSE(QDir(inHome("new")).exists());
    EXPECT_EQ(dialog->EdStorage->text(), "");

    services.messages.answerYes = true;
    dialog->BtStorage->click();
    EXPECT_TRUE(QDir(inHome("new/deep")).exists());
    EXPECT_EQ(dialog->EdStorage->text(), inHome("new/deep"));
}

TEST_F(SetupDialog, FolderThatCannotBeCreatedIsReportedAndTheBoxKept) {
    RegConfig("escrever", "storage", "/before");
    QFile blocker(home.path() + "/plain-file");
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    auto dialog = open();
    services.folderChooser.answer = home.path() + "/plain-file/sub";
    dialog->BtStorage->click();
    ASSERT_EQ(services.messages.shown.size(), 1);
    EXPECT_TRUE(services.messages.shown[0].contains("plain-file"))
        << services.messages.shown[0].toStdString();
    EXPECT_EQ(dialog->EdStorage->text(), "/before");
}

TEST_F(SetupDialog, OpensWithoutTheEnginePanelWhenTheWriterCannotStart) {
    RegConfig("escrever", "storage", "/srv/ingest");
    RegConfig("escrever", "Parametros_Codec", "kept");
    engine.failingClasses.insert(std::string(engine::CLSID_FileWriter));
    auto dialog = open();
    ASSERT_EQ(services.messages.shown.size(), 1);
    EXPECT_EQ(dialog->EdStorage->text(), "/srv/ingest");
    // The panel cannot be saved over the stored export settings.
    EXPECT_FALSE(dialog->CodecConfig1->isEnabled());
    dialog->ChkUnificaFolder->setChecked(true);
    dialog->BtSaveCodec->click();
    EXPECT_EQ(RegConfig("ler", "UnificaFolder", ""), "-1");
    dialog->close();
    EXPECT_EQ(RegConfig("ler", "Parametros_Codec", ""), "kept");
}
