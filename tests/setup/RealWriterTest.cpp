// The codec panel against the real file writer: what it saves must be what the export's writer takes.
#include <gtest/gtest.h>

#include "OperatorLanguage.h"
#include "QtPrinters.h"

#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "ScriptedServices.h"
#include "TempSettings.h"
#include "UpDownEdit.h"
#include "WriterOutcome.h"
#include "engine_ffmpeg/FfmpegEngine.h"
#include "samples/SampleClips.h"
#include "settings/RegConfig.h"
#include "setup/TCodecConfig.h"

using engine::IMAttributes;
using engine::IMConfig;
using engine::IMFile;
using engine::IMObject;
using engine::IMProps;
using engine::IMWriter;
using engine::MRef;

namespace {

void pick(QComboBox* list, const QString& name) {
    const int index = list->findText(name);
    ASSERT_GE(index, 0) << name.toStdString();
    list->setCurrentIndex(index);
    emit list->activated(index);
}

// Exports the first second of `clip` to `target` in the export job's order of calls, with the parameter
// text the panel saved; returns the writer's outcome.
std::pair<int, QString> exportWithSavedSettings(engine::IEngineFactory& engine, const QString& clip,
                                                const QString& target) {
    const auto writer = engine::create<IMWriter>(engine, engine::CLSID_FileWriter);
    engine::query<IMProps>(writer)->SetProp("rate_control", "true");
    const auto file = engine::create<IMFile>(engine, engine::CLSID_FileSource);
    const auto source = engine::query<IMObject>(file);
    engine::query<IMProps>(file)->SetProp("eof_stop", "true");
    writer->SetTarget(target, RegConfig("ler", "Parametros_Codec", ""));
    file->OpenName(clip, "");
    file->SetInOut(0.0, 1.0);
    file->PlayFile();
    engine::query<IMObject>(writer)->StartFrom(source.get());
    const bool ended = QTest::qWaitFor(
        [&] {
            int state = 0;
            source->GetState(state);
            return state != 3;
        },
        60000);
    EXPECT_TRUE(ended) << "the range did not end";
    engine::query<IMObject>(writer)->CloseObject();
    source->CloseObject();
    std::pair<int, QString> outcome;
    testsupport::waitForOutcome(*writer);
    writer->GetRecordingResult(outcome.first, outcome.second);
    return outcome;
}

// "video=h264 audio=aac": the streams ffprobe finds in the file.
QString probedStreams(const QString& path) {
    QProcess probe;
    probe.start("ffprobe",
                {"-v", "error", "-show_entries", "stream=codec_type,codec_name", "-of", "csv=p=0", path});
    if (!probe.waitForFinished(30000) || probe.exitCode() != 0)
        return "ffprobe failed: " + QString::fromUtf8(probe.readAllStandardError());
    QStringList streams;
    for (const QString& line :
         QString::fromUtf8(probe.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts)) {
        const QStringList nameAndType = line.trimmed().split(',');
        streams << nameAndType.value(1) + '=' + nameAndType.value(0);
    }
    return streams.join(' ');
}

class RealWriter : public ::testing::Test {
  protected:
    void SetUp() override { reopen(); }
    // A new panel, as the setup dialog makes one each time it opens.
    void reopen() {
        panel.reset();
        panel = std::make_unique<TCodecConfig>(nullptr, *engine, messages);
        panel->Init();
    }
    TempSettings settings;
    std::unique_ptr<engine::IEngineFactory> engine = engine::ff::makeFfmpegEngine();
    testsupport::ScriptedMessageBox messages;
    std::unique_ptr<TCodecConfig> panel;
};

} // namespace

TEST_F(RealWriter, SavedMxfSettingsAreTakenByTheExportWriter) {
    pick(panel->formats, "mxf");
    pick(panel->videocodec, "mpeg2video");
    panel->EdVideoBitRate->setText("50000");
    pick(panel->audiocodec, "pcm_s16le");
    panel->BtSaveCodec->click();
    ASSERT_TRUE(messages.shown.isEmpty()) << messages.shown.join('\n').toStdString();
    panel.reset();

    const QString params = RegConfig("ler", "Parametros_Codec", "");
    EXPECT_EQ(RegConfig("ler", "extensao", ""), "mxf");
    for (const char* part : {"format=mxf", "video=mpeg2video", "audio=pcm_s16le", "video::b=50M"})
        EXPECT_TRUE(params.contains(part)) << part << " in " << params.toStdString();

    // A new writer, as the export makes one, takes the text and ends up with those choices.
    QTemporaryDir folder;
    const auto writer = engine::create<IMWriter>(*engine, engine::CLSID_FileWriter);
    ASSERT_EQ(writer->SetTarget(folder.filePath("clip.mxf"), params), engine::kOk);
    const auto config = engine::query<IMConfig>(writer);
    QString name, bitRate;
    MRef<IMAttributes> video;
    config->GetSelectedChoice("format::video", name, video);
    EXPECT_EQ(name, "mpeg2video");
    ASSERT_TRUE(video);
    int ignored = 0;
    video->GetAttributeText("b", ignored, bitRate);
    EXPECT_EQ(bitRate, "50M");
    config->GetSelectedChoice("format::audio", name, video);
    EXPECT_EQ(name, "pcm_s16le");
    config->GetSelectedChoice("format", name, video);
    EXPECT_EQ(name, "mxf");
}

TEST_F(RealWriter, TypedTextTheWriterRefusesIsNotSaved) {
    RegConfig("escrever", "Parametros_Codec", "format=mov");
    panel->EdParCodec->setText("format=mxf video=no-such-encoder");
    panel->BtSaveCodec->click();
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_TRUE(messages.shown[0].contains("no-such-encoder")) << messages.shown[0].toStdString();
    EXPECT_EQ(testsupport::englishWordsIn(QString(messages.shown[0]).remove("no-such-encoder")), QStringList())
        << messages.shown[0].toStdString();
    EXPECT_EQ(RegConfig("ler", "Parametros_Codec", ""), "format=mov");
    EXPECT_EQ(RegConfig("ler", "formato", "none"), "none");
}

TEST_F(RealWriter, NetworkFormatsAreNotOffered) {
    EXPECT_EQ(panel->formats->findText("rtp"), -1);
    EXPECT_EQ(panel->formats->findText("rtsp"), -1);
    EXPECT_EQ(panel->formats->itemText(0), "mxf");
}

TEST_F(RealWriter, SavedCodecsSurviveReopeningTheSetupAndReachTheExportedFile) {
    // An MPEG-2 clip with PCM sound, so that copied streams cannot pass for encoded ones.
    QTemporaryDir folder;
    samples::ClipRecipe recipe;
    recipe.path = folder.filePath("source.mov");
    recipe.videoCodec = "mpeg2video";
    recipe.audioCodec = "pcm_s16le";
    recipe.frames = 45;
    samples::writeSampleClip(recipe);

    // The operator picks mov, keeps its first codecs and saves; opens the setup again, touches the video
    // bit rate and saves again.
    pick(panel->formats, "mov");
    panel->BtSaveCodec->click();
    ASSERT_TRUE(messages.shown.isEmpty()) << messages.shown.join('\n').toStdString();
    reopen();
    EXPECT_EQ(panel->videocodec->currentText(), "libx264");
    EXPECT_EQ(panel->audiocodec->currentText(), "aac");
    panel->EdVideoBitRate->setText("8000");
    panel->BtSaveCodec->click();
    ASSERT_TRUE(messages.shown.isEmpty()) << messages.shown.join('\n').toStdString();
    panel.reset();

    const QString target = QDir(folder.path()).filePath("export." + RegConfig("ler", "extensao", ""));
    const auto [ok, reason] = exportWithSavedSettings(*engine, recipe.path, target);
    ASSERT_EQ(ok, 1) << reason.toStdString();
    EXPECT_EQ(probedStreams(target), "video=h264 audio=aac");

    // On a fresh panel, a video codec picked alone is saved with the audio codec the list shows.
    TempSettings::clear();
    reopen();
    pick(panel->videocodec, "libx264");
    panel->BtSaveCodec->click();
    EXPECT_TRUE(messages.shown.isEmpty()) << messages.shown.join('\n').toStdString();
    const QString saved = RegConfig("ler", "Parametros_Codec", "");
    for (const QString& part :
         QStringList{"format=mxf", "video=libx264", "audio=" + panel->audiocodec->currentText()})
        EXPECT_TRUE(saved.contains(part)) << part.toStdString() << " in " << saved.toStdString();
}
