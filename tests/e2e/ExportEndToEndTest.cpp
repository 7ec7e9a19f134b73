// An operator exports part of a recording: marks in and out while watching it, clicks EXPORT, types a
// name in the save dialog, and finds the new file in the clip list when the job ends, or is told why not.
#include "StationHarness.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QTimer>

#include "FileSizeLimit.h"
#include "OutputProbe.h"
#include "playback/Timecode.h"
#include "widgets/StatusStrip.h"

namespace e2e {
namespace {

const QString kNewsClip = QString::fromUtf8("Jornal da Manhã 06h.mp4"); // 90 frames, 29.97 a second, stereo
constexpr double kFrameRate = 30000.0 / 1001.0;

struct ExportCase {
    const char* label;
    const char* extension;  // the "extensao" setting
    const char* parameters; // the "Parametros_Codec" setting, as the setup dialog saves it
    const char* container;  // what ffprobe calls the written format
    const char* videoCodec;
    int channels; // the station routes 16; the codec's limit brings them down
};

void PrintTo(const ExportCase& c, std::ostream* os) {
    *os << c.label;
}

struct ExportStation : StationHarness {
    QString channelFolder;
    double in = 0, out = 0;
    // The frame numbers burnt into the pictures the preview showed when Ctrl+I and Ctrl+O were pressed.
    int64_t shownAtIn = -1, shownAtOut = -1;
    // Types `name` into the save dialog's name field once the dialog is up, and presses Enter.
    void answerSaveDialogWith(const QString& name) {
        QTimer::singleShot(0, [this, name] {
            QFileDialog* dialog = nullptr;
            if (!waitFor(
                    [&] { return (dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())); }))
                return;
            if (!QTest::qWaitForWindowActive(dialog))
                return dialog->reject();
            auto* nameField = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            if (!nameField)
                return dialog->reject();
            nameField->clear();
            QTest::keyClicks(nameField, name);
            QTest::keyClick(nameField, Qt::Key_Return);
        });
    }

    // Opens the news clip of channel 1, plays to about half a second in and pauses; marks in, moves one
    // second on and marks out, by the keyboard, while paused, noting the picture shown at each mark.
    void markAboutOneSecond(const QString& extension, const QString& parameters) {
        RegConfig("escrever", "extensao", extension);
        RegConfig("escrever", "Parametros_Codec", parameters);
        // The last export went to the channel's folder, so the save dialog opens there.
        channelFolder = root.filePath(kRecordingDay.toString("yyyy/MM/dd") + "/canal1");
        RegConfig("escrever", "storage_export", QDir::toNativeSeparators(channelFolder));
        chooseDate(kRecordingDay);
        chooseChannel(0);
        clickClip(kNewsClip);

        click(ui().BtPlay);
        ASSERT_TRUE(waitFor([&] { return fields().PlayPosition > 0.4; }));
        click(ui().BtPausa);
        ASSERT_TRUE(waitUntilStill());
        ASSERT_TRUE(waitUntilPictureStill());
        shownAtIn = shownFrame();
        press(Qt::Key_I);
        in = fields().Cue_In;
        ASSERT_GT(in, 0.0);
        press(Qt::Key_Right, Qt::ControlModifier | Qt::ShiftModifier);
        ASSERT_TRUE(waitFor([&] { return fields().PlayPosition > in + 0.9; }));
        ASSERT_TRUE(waitUntilStill());
        ASSERT_TRUE(waitUntilPictureStill());
        shownAtOut = shownFrame();
        ASSERT_GT(shownAtOut, shownAtIn);
        press(Qt::Key_O);
        out = fields().Cue_Out;
        ASSERT_GT(out, in);
        ASSERT_TRUE(ui().BtExportar->isEnabled());
        EXPECT_EQ(ui().Lblcue_in->text(), playback::formatTimecode(in));
        EXPECT_EQ(ui().Lblcue_out->text(), playback::formatTimecode(out));
    }

    // Waits until the preview shows a readable picture that stays for a while (a seek may show an earlier
    // picture of the GOP first).
    bool waitUntilPictureStill() {
        return waitFor([&] {
            const int64_t before = shownFrame();
            QTest::qWait(300);
            return before >= 0 && shownFrame() == before;
        });
    }

    // Temporary files are hidden ones beside the target.
    bool temporaryFileLeft() const {
        return QDir(channelFolder).entryList(QDir::Files | QDir::Hidden).join(' ').contains(".part");
    }
};

struct ExportEndToEnd : ExportStation, ::testing::WithParamInterface<ExportCase> {};

TEST_P(ExportEndToEnd, MarkInAndOutExportTypeANameAndTheFileIsListed) {
    const ExportCase& c = GetParam();
    ASSERT_NO_FATAL_FAILURE(markAboutOneSecond(c.extension, c.parameters));
    screenshot(QStringLiteral("marked-%1").arg(c.label));

    const QString name = QStringLiteral("Trecho exportado %1").arg(c.label);
    answerSaveDialogWith(name);
    click(ui().BtExportar);
    const QString fileName = name + "." + c.extension;
    ASSERT_TRUE(waitFor([&] { return listedClips().contains(fileName); }, 60000))
        << "listed: " << listedClips().join(", ").toStdString();
    EXPECT_TRUE(scripted.messages.shown.isEmpty()) << scripted.messages.shown.join("\n").toStdString();
    EXPECT_EQ(ui().BtExportar->tag(), 0);
    EXPECT_EQ(QDir(RegConfig("ler", "storage_export", "")), QDir(channelFolder));
    screenshot(QStringLiteral("exported-%1").arg(c.label));

    // The file holds exactly the marked frames: from the one the operator saw at Ctrl+I to the one before
    // the picture seen at Ctrl+O, with their sound.
    const writertest::ProbedFile file = writertest::probeFile(QDir(channelFolder).filePath(fileName));
    ASSERT_TRUE(file.opened);
    EXPECT_EQ(file.format, c.container);
    EXPECT_EQ(file.videoCodec, c.videoCodec);
    EXPECT_EQ(file.firstCode, shownAtIn);
    EXPECT_EQ(file.lastCode, shownAtOut - 1);
    EXPECT_EQ(file.videoFrames, shownAtOut - shownAtIn);
    EXPECT_EQ(file.channels, c.channels);
    ASSERT_GE(file.channelRms.size(), 2u);
    EXPECT_GT(file.channelRms[0], 0.01); // the clip's own two channels are heard
    EXPECT_GT(file.channelRms[1], 0.01);
    EXPECT_NEAR(double(file.audioSamples) / file.sampleRate, double(shownAtOut - shownAtIn) / kFrameRate,
                0.05);
    EXPECT_FALSE(temporaryFileLeft());
}

INSTANTIATE_TEST_SUITE_P(Formats, ExportEndToEnd,
                         ::testing::Values(ExportCase{"defaults", "avi", "", "avi", "mpeg4", 2},
                                           ExportCase{"mp4", "mp4", "format=mp4 video=libx264 audio=aac",
                                                      "mov,mp4,m4a,3gp,3g2,mj2", "h264", 2},
                                           ExportCase{"mxf", "mxf",
                                                      "format=mxf video=mpeg2video audio=pcm_s16le", "mxf",
                                                      "mpeg2video", 16}),
                         [](const auto& info) { return std::string(info.param.label); });

// The disk fills up during the export: the operator is told why, and no file that looks like a finished
// export is left in the list or beside it.
using FailedExportEndToEnd = ExportStation;

TEST_F(FailedExportEndToEnd, AFullDiskIsReportedAndLeavesNoFileBehind) {
    ASSERT_NO_FATAL_FAILURE(markAboutOneSecond("mxf", "format=mxf video=mpeg2video audio=pcm_s16le"));
    const QStringList before = listedClips();
    const writertest::FileSizeLimit fullDisk(16 * 1024);
    answerSaveDialogWith("Trecho disco cheio"); // typed keys: ASCII only
    click(ui().BtExportar);
    ASSERT_TRUE(
        waitFor([&] { return ui().BtExportar->tag() == 0 && !scripted.messages.shown.isEmpty(); }, 60000));
    ASSERT_EQ(scripted.messages.shown.size(), 1);
    EXPECT_TRUE(scripted.messages.shown.first().startsWith(QString::fromUtf8("Falha na exportação: ")))
        << scripted.messages.shown.first().toStdString();
    EXPECT_EQ(listedClips(), before);
    EXPECT_FALSE(QFileInfo::exists(QDir(channelFolder).filePath(QStringLiteral("Trecho disco cheio.mxf"))));
    EXPECT_FALSE(temporaryFileLeft());
}

// Exports finish in the background: the window keeps working while the writer finishes the file, the
// status strip shows the progress and then how the file was written, and the file is complete.
struct BackgroundExport : ExportStation {
    QStringList stripTexts;                    // every text the status strip showed, in order
    QString shownWhenJobEnded;                 // the strip at the tick that ended the job
    bool queuedEventRanWhileFinishing = false; // an event posted at that tick ran before the outcome
    QMetaObject::Connection watch;

    // Watches the ticks (after the window's own handler) and the strip.
    void watchTicks(const QString& fileName) {
        watch = QObject::connect(ui().TimerPlay, &QTimer::timeout, window.get(), [this, fileName] {
            const QString text = ui().PainelArquivo->text();
            if (stripTexts.isEmpty() || stripTexts.last() != text)
                stripTexts << text;
            if (!shownWhenJobEnded.isEmpty() || ui().BtExportar->tag() != 0 || !text.startsWith("Exportando"))
                return;
            shownWhenJobEnded = text;
            QTimer::singleShot(0, window.get(), [this, fileName] {
                queuedEventRanWhileFinishing =
                    ui().PainelArquivo->text().startsWith("Exportando " + fileName);
            });
        });
    }
    void exportAndWatch(const QString& parameters, const QString& name);
    static int percentIn(const QString& text) { return text.section(':', -1).remove('%').trimmed().toInt(); }
};

void BackgroundExport::exportAndWatch(const QString& parameters, const QString& name) {
    ASSERT_NO_FATAL_FAILURE(markAboutOneSecond("mp4", parameters));
    const QString usual = ui().PainelArquivo->text();
    const QString fileName = name + ".mp4";
    watchTicks(fileName);
    answerSaveDialogWith(name);
    click(ui().BtExportar);
    ASSERT_TRUE(waitFor([&] { return listedClips().contains(fileName); }, 60000));
    QObject::disconnect(watch);
    EXPECT_TRUE(scripted.messages.shown.isEmpty()) << scripted.messages.shown.join("\n").toStdString();

    // The tick that ended the job found the file still finishing, and the window went on to the next
    // queued event before the file was done.
    EXPECT_TRUE(shownWhenJobEnded.startsWith("Exportando " + fileName + ": "))
        << shownWhenJobEnded.toStdString();
    EXPECT_GE(percentIn(shownWhenJobEnded), 50);
    EXPECT_TRUE(queuedEventRanWhileFinishing);
    // Progress only grows, then the strip tells how the file was written: the writer's account, which
    // names the file.
    int last = -1;
    for (const QString& t : stripTexts)
        if (t.startsWith("Exportando ")) {
            EXPECT_GE(percentIn(t), last) << stripTexts.join(" | ").toStdString();
            last = percentIn(t);
        }
    ASSERT_TRUE(waitFor([&] {
        const QString text = ui().PainelArquivo->text();
        return !text.startsWith("Exportando") && text.contains(fileName);
    })) << ui().PainelArquivo->text().toStdString();
    // Another clip chosen, the strip names it again.
    ui().PainelArquivo->say(widgets::StatusStrip::Layer::Usual, usual);
    EXPECT_EQ(ui().PainelArquivo->text(), usual);

    const writertest::ProbedFile file = writertest::probeFile(QDir(channelFolder).filePath(fileName));
    ASSERT_TRUE(file.opened);
    EXPECT_EQ(file.videoCodec, "h264");
    EXPECT_EQ(file.firstCode, shownAtIn);
    EXPECT_EQ(file.lastCode, shownAtOut - 1);
    EXPECT_EQ(file.videoFrames, shownAtOut - shownAtIn);
    EXPECT_NEAR(double(file.audioSamples) / file.sampleRate, double(shownAtOut - shownAtIn) / kFrameRate,
                0.05);
    EXPECT_FALSE(temporaryFileLeft());
}

TEST_F(BackgroundExport, ACopyFinishesWhileTheWindowKeepsWorking) {
    exportAndWatch("format=mp4 video=copy audio=copy", "Fundo copia");
}

// A slow preset leaves most of the encoding to the flush once the range has played.
TEST_F(BackgroundExport, AReEncodeFinishesWhileTheWindowKeepsWorking) {
    exportAndWatch("format=mp4 video=libx264 video::preset=veryslow audio=aac", "Fundo recodificado");
}

// Closing the window while an export records or finishes gives it up: no file, no temporary file, no
// question asked.
struct ClosedDuringExport : ExportStation {
    void closeDuring(const QString& parameters, bool whileFinishing, const QString& name) {
        ASSERT_NO_FATAL_FAILURE(markAboutOneSecond("mp4", parameters));
        const QString fileName = name + ".mp4";
        answerSaveDialogWith(name);
        click(ui().BtExportar);
        ASSERT_TRUE(waitFor(
            [&] {
                return ui().PainelArquivo->text().startsWith("Exportando " + fileName) &&
                       (ui().BtExportar->tag() == 0) == whileFinishing;
            },
            60000))
            << ui().PainelArquivo->text().toStdString();
        window->close();
        window.reset();
        EXPECT_TRUE(scripted.messages.shown.isEmpty()) << scripted.messages.shown.join("\n").toStdString();
        EXPECT_FALSE(QFileInfo::exists(QDir(channelFolder).filePath(fileName)));
        EXPECT_FALSE(temporaryFileLeft());
    }
};

TEST_F(ClosedDuringExport, WhileItRecords) {
    closeDuring("format=mp4 video=libx264 video::preset=veryslow audio=aac", false, "Fechado gravando");
}

TEST_F(ClosedDuringExport, WhileItsFileIsFinished) {
    closeDuring("format=mp4 video=copy audio=copy", true, "Fechado terminando");
}

} // namespace
} // namespace e2e
