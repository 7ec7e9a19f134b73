// The codec panel against the real file writer: what it saves must be what the export's writer takes.
#include <gtest/gtest.h>

#include "QtPrinters.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>

#include "ScriptedServices.h"
#include "TempSettings.h"
#include "UpDownEdit.h"
#include "engine_ffmpeg/FfmpegEngine.h"
#include "settings/RegConfig.h"
#include "setup/TCodecConfig.h"

using engine::IMAttributes;
using engine::IMConfig;
using engine::IMWriter;
using engine::MRef;

namespace {

void pick(QComboBox* list, const QString& name) {
    const int index = list->findText(name);
    ASSERT_GE(index, 0) << name.toStdString();
    list->setCurrentIndex(index);
    emit list->activated(index);
}

class RealWriter : public ::testing::Test {
  protected:
    void SetUp() override {
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
    EXPECT_EQ(RegConfig("ler", "Parametros_Codec", ""), "format=mov");
    EXPECT_EQ(RegConfig("ler", "formato", "none"), "none");
}

TEST_F(RealWriter, NetworkFormatsAreNotOffered) {
    EXPECT_EQ(panel->formats->findText("rtp"), -1);
    EXPECT_EQ(panel->formats->findText("rtsp"), -1);
    EXPECT_EQ(panel->formats->itemText(0), "mxf");
}
