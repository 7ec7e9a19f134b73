#include <gtest/gtest.h>

#include "QtPrinters.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <functional>

#include "RecordingEngine.h"
#include "ScriptedServices.h"
#include "TempSettings.h"
#include "UpDownEdit.h"
#include "ValueCell.h"
#include "WriterConfigFixture.h"
#include "settings/RegConfig.h"
#include "setup/TCodecConfig.h"
#include "setup/TFrmAttributes.h"

using testsupport::RecordingEngine;

namespace {

QStringList items(const QComboBox* list) {
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->itemText(i);
    return out;
}

// Stores the settings, name and text pairs.
void store(std::initializer_list<std::pair<const char*, const char*>> values) {
    for (auto [name, text] : values)
        RegConfig("escrever", name, text);
}

// Runs `inspect` on the attributes editor that the next modal loop opens, then closes it.
void onNextEditor(std::function<void(TFrmAttributes&)> inspect) {
    QTimer::singleShot(0, [inspect] {
        auto* editor = qobject_cast<TFrmAttributes*>(QApplication::activeModalWidget());
        ASSERT_NE(editor, nullptr);
        inspect(*editor);
        editor->close();
    });
}

class CodecPanel : public ::testing::Test {
  protected:
    void SetUp() override { presetWriterConfig(engine); }
    // A panel initialised from the settings stored so far.
    TCodecConfig& open() {
        panel = std::make_unique<TCodecConfig>(nullptr, engine, messages);
        panel->Init();
        return *panel;
    }
    QStringList videoRates() const { return bitRatesSet(engine, "format::video:mpeg2video"); }

    TempSettings settings;
    RecordingEngine engine;
    testsupport::ScriptedMessageBox messages;
    std::unique_ptr<TCodecConfig> panel;
};

} // namespace

TEST_F(CodecPanel, FreshPanelListsFileFormatsAndMakesTheListedCodecsCurrent) {
    TCodecConfig& p = open();
    // Network formats, and one whose flag cannot be read, are left out.
    EXPECT_EQ(items(p.formats), QStringList({"mxf", "mov", "rawvideo"}));
    EXPECT_EQ(p.formats->currentText(), "mxf");
    EXPECT_EQ(items(p.videocodec), QStringList({"mpeg2video", "h264"}));
    EXPECT_EQ(p.videocodec->currentIndex(), 0);
    EXPECT_EQ(p.audiocodec->currentIndex(), 0);
    EXPECT_EQ(p.EdVideoBitRate->text(), "20000");
    EXPECT_EQ(p.EdAudioBitRate->text(), "64");
    EXPECT_EQ(p.EdParCodec->text(), ""); // the restored (empty) parameter text
    EXPECT_EQ(p.ComboExt->currentText(), "avi");
    EXPECT_TRUE(messages.shown.isEmpty());

    // The bit-rate handlers ran, so the engine's current codecs are the listed ones.
    EXPECT_EQ(videoRates(), QStringList({"20M"}));
    EXPECT_EQ(bitRatesSet(engine, "format::audio:pcm_s16le"), QStringList({"64K"}));
}

TEST_F(CodecPanel, BitRateTextsGivenToTheCodec) {
    TCodecConfig& p = open();
    const struct {
        QString typed;
        bool pickCodec; // false: the edit's change handler
        QString expected;
    } cases[] = {
        {"6000", false, "6M"}, {"6000", true, "6000K"}, {"1000", false, "1000K"}, {"1001", false, "1M"},
        {"6500", false, "6M"}, {"800", false, "800K"},  {"", false, "K"},         {"50000", true, "50000K"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE((c.typed + (c.pickCodec ? " picked" : " typed")).toStdString());
        engine.clearCalls();
        if (c.pickCodec) {
            const QSignalBlocker quiet(p.EdVideoBitRate);
            p.EdVideoBitRate->setText(c.typed);
            emit p.videocodec->activated(0);
        } else {
            p.EdVideoBitRate->setText(c.typed);
        }
        EXPECT_EQ(videoRates(), QStringList({c.expected}));
        EXPECT_TRUE(p.EdParCodec->text().contains("video.b=" + c.expected + " "))
            << p.EdParCodec->text().toStdString();
    }

    // Both audio handlers pass kilobits.
    engine.clearCalls();
    p.EdAudioBitRate->setText("256");
    p.audiocodec->setCurrentIndex(1);
    emit p.audiocodec->activated(1);
    EXPECT_EQ(bitRatesSet(engine, "format::audio:pcm_s16le"), QStringList({"256K"}));
    EXPECT_EQ(bitRatesSet(engine, "format::audio:aac"), QStringList({"256K"}));
}

TEST_F(CodecPanel, TypingAndSteppingRunTheEditHandlerOnEveryChange) {
    TCodecConfig& p = open();
    engine.clearCalls();
    p.EdVideoBitRate->edit()->clear();
    QTest::keyClicks(p.EdVideoBitRate->edit(), "12x00"); // the letter is refused
    EXPECT_EQ(videoRates(), QStringList({"K", "1K", "12K", "120K", "1M"}));
    engine.clearCalls();
    p.EdVideoBitRate->stepBy(1);
    QTest::keyClick(p.EdVideoBitRate->edit(), Qt::Key_Down);
    EXPECT_EQ(p.EdVideoBitRate->text(), "1200");
    EXPECT_EQ(videoRates(), QStringList({"1M", "1M"}));
    // The up-down keeps to its range.
    p.EdVideoBitRate->setPosition(49900);
    p.EdVideoBitRate->stepBy(1);
    EXPECT_EQ(p.EdVideoBitRate->text(), "50000");
}

TEST_F(CodecPanel, StoredIndexesCountOnlyListedFormats) {
    store({{"formato", "1"}, {"video_codec", "1"}, {"audio_codec", "1"}});
    TCodecConfig& p = open();
    EXPECT_EQ(p.formats->currentText(), "mov");
    EXPECT_EQ(p.videocodec->currentText(), "h264");
    EXPECT_EQ(p.audiocodec->currentText(), "aac");
    EXPECT_EQ(bitRatesSet(engine, "format::video:h264"), QStringList({"20M"}));
    p.BtSaveCodecClick();
    EXPECT_EQ(RegConfig("ler", "formato", ""), "1");
    EXPECT_EQ(RegConfig("ler", "video_codec", ""), "1");
}

TEST_F(CodecPanel, IndexesBeyondTheListsLeaveNoSelectionAndSaveMinusOne) {
    store({{"formato", "7"}, {"video_codec", "2"}, {"audio_codec", "-3"}});
    TCodecConfig& p = open();
    EXPECT_EQ(p.formats->currentIndex(), -1);
    EXPECT_EQ(p.videocodec->currentIndex(), -1);
    EXPECT_EQ(p.audiocodec->currentIndex(), -1);
    // Codec lists without a selection make their handlers do nothing.
    engine.clearCalls();
    p.EdVideoBitRate->setText("3000");
    p.EdAudioBitRate->setText("128");
    int rows = -1;
    onNextEditor([&](TFrmAttributes& editor) { rows = editor.propsEditorList->rowCount(); });
    p.BTVideoCodecPropsClick(); // nothing is current in the engine: an empty editor
    EXPECT_EQ(rows, 0);
    EXPECT_TRUE(engine.callsStartingWith("writer1.SelectChoice").isEmpty());
    EXPECT_TRUE(messages.shown.isEmpty());

    p.BtSaveCodecClick();
    EXPECT_EQ(RegConfig("ler", "formato", ""), "-1");
    EXPECT_EQ(RegConfig("ler", "video_codec", ""), "-1");
    EXPECT_EQ(RegConfig("ler", "audio_codec", ""), "-1");
}

TEST_F(CodecPanel, UnreadableStoredNumbersFallBack) {
    store({{"formato", "mov"}, {"RecVideoBitRate", "fast"}, {"RecAudioBitRate", "9999"}});
    TCodecConfig& p = open();
    EXPECT_EQ(p.formats->currentText(), "mxf");
    EXPECT_EQ(p.EdVideoBitRate->text(), "6000");
    EXPECT_EQ(p.EdAudioBitRate->text(), "512");
}

TEST_F(CodecPanel, FormatChangeResetsCodecsAndExtensionsButNotBitRates) {
    RegConfig("escrever", "extensao", "mxf2");
    TCodecConfig& p = open();
    EXPECT_EQ(p.ComboExt->currentText(), "mxf2"); // restored at start-up, even when not listed
    p.videocodec->setCurrentIndex(1);
    p.EdVideoBitRate->setText("3000");
    engine.clearCalls();

    p.formats->setCurrentIndex(1);
    emit p.formats->activated(1);
    EXPECT_EQ(engine.callsStartingWith("writer1.SelectChoice"),
              QStringList({R"(writer1.SelectChoice("format", "mov"))"}));
    EXPECT_EQ(p.videocodec->currentIndex(), 0);
    EXPECT_EQ(items(p.ComboExt), QStringList({"mov", "mp4", "m4a"}));
    EXPECT_EQ(p.ComboExt->currentText(), "mov");
    EXPECT_EQ(p.EdVideoBitRate->text(), "3000");
    EXPECT_TRUE(p.EdParCodec->text().startsWith("format=mov ")) << p.EdParCodec->text().toStdString();

    p.formats->setCurrentIndex(2);
    emit p.formats->activated(2);
    EXPECT_EQ(p.ComboExt->count(), 0);
    EXPECT_EQ(p.ComboExt->currentText(), "");
}

TEST_F(CodecPanel, SalvarSavesTheSevenExportSettingsOnly) {
    RegConfig("escrever", "storage", "/srv/ingest");
    RegConfig("escrever", "UnificaFolder", "-1");
    TCodecConfig& p = open();
    p.formats->setCurrentIndex(1);
    emit p.formats->activated(1);
    p.videocodec->setCurrentIndex(1);
    emit p.videocodec->activated(1);
    p.EdVideoBitRate->setText("8000");
    p.EdAudioBitRate->setText("192");
    p.EdParCodec->setText("typed by hand");
    p.ComboExt->setEditText("mp4");
    p.BtSaveCodec->click();

    EXPECT_EQ(RegConfig("ler", "formato", ""), "1");
    EXPECT_EQ(RegConfig("ler", "video_codec", ""), "1");
    EXPECT_EQ(RegConfig("ler", "audio_codec", ""), "0");
    EXPECT_EQ(RegConfig("ler", "RecVideoBitRate", ""), "8000");
    EXPECT_EQ(RegConfig("ler", "RecAudioBitRate", ""), "192");
    EXPECT_EQ(RegConfig("ler", "Parametros_Codec", ""), "typed by hand");
    EXPECT_EQ(RegConfig("ler", "extensao", ""), "mp4");
    EXPECT_EQ(RegConfig("ler", "storage", ""), "/srv/ingest");
    EXPECT_EQ(RegConfig("ler", "UnificaFolder", ""), "-1");

    // The next panel starts from what was saved.
    TCodecConfig& again = open();
    EXPECT_EQ(again.formats->currentText(), "mov");
    EXPECT_EQ(again.videocodec->currentText(), "h264");
    EXPECT_EQ(again.EdVideoBitRate->text(), "8000");
    EXPECT_EQ(again.EdParCodec->text(), "typed by hand");
    EXPECT_EQ(again.ComboExt->currentText(), "mp4");
}

TEST_F(CodecPanel, SalvarRefusesATextTheWriterCannotTakeAndKeepsEverything) {
    store({{"Parametros_Codec", "format=mxf"}, {"RecVideoBitRate", "9000"}});
    TCodecConfig& p = open();
    p.EdVideoBitRate->setText("4000");
    p.EdParCodec->setText("format=mxf video=???");
    p.ComboExt->setEditText("mxf");
    engine.presets().setTargetStatus = engine::kInvalidArg;
    engine.presets().recordingOk = 0;
    engine.presets().recordingText = "unknown video encoder \"???\"";
    p.BtSaveCodec->click();

    // The check runs on a writer of its own, which it closes; the panel's writer is left alone.
    EXPECT_TRUE(engine.callsStartingWith("writer1.SetTarget").isEmpty());
    EXPECT_EQ(engine.callsStartingWith("writer2.CloseObject").size(), 1);
    EXPECT_EQ(engine.callsStartingWith("writer2.SetTarget").size(), 1);
    EXPECT_TRUE(engine.callsStartingWith("writer2.SetTarget")[0].endsWith(
        R"(export-check.mxf", "format=mxf video=???"))"));
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_TRUE(messages.shown[0].contains("unknown video encoder")) << messages.shown[0].toStdString();
    EXPECT_EQ(RegConfig("ler", "Parametros_Codec", ""), "format=mxf");
    EXPECT_EQ(RegConfig("ler", "RecVideoBitRate", ""), "9000");
    EXPECT_EQ(RegConfig("ler", "extensao", "none"), "none");
    EXPECT_EQ(p.EdParCodec->text(), "format=mxf video=???");

    engine.presets().setTargetStatus = engine::kOk;
    p.BtSaveCodec->click();
    EXPECT_EQ(RegConfig("ler", "Parametros_Codec", ""), "format=mxf video=???");
}

TEST_F(CodecPanel, ShowPropsEditsTheCurrentCodecAndRefreshesTheParameters) {
    TCodecConfig& p = open();
    p.videocodec->setCurrentIndex(1);
    emit p.videocodec->activated(1);
    QString title;
    int rows = -1;
    onNextEditor([&](TFrmAttributes& editor) {
        title = editor.windowTitle();
        rows = editor.propsEditorList->rowCount();
        editor.valueCell(0)->edit()->setText("9M");
    });
    p.BTVideoCodecProps->click();
    EXPECT_EQ(title, "h264");
    EXPECT_EQ(rows, 1);
    EXPECT_TRUE(p.EdParCodec->text().contains("video=h264 video.b=9M")) << p.EdParCodec->text().toStdString();
    EXPECT_TRUE(p.findChildren<TFrmAttributes*>().isEmpty());
}

TEST_F(CodecPanel, ClosingReleasesTheWriterOnce) {
    TCodecConfig& p = open();
    p.destroir_filtros();
    p.destroir_filtros();
    panel.reset();
    EXPECT_EQ(engine.callsStartingWith("writer1.CloseObject").size(), 1);
}
