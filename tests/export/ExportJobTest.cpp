#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <memory>

#include "QtPrinters.h"
#include "RecordingEngine.h"
#include "ScriptedServices.h"
#include "TempSettings.h"
#include "engine/ClassIds.h"
#include "export/ExportJob.h"
#include "settings/RegConfig.h"
#include "widgets/BitmapButton.h"
#include "widgets/ClipList.h"
#include "widgets/RadioGroup.h"
#include "widgets/StatusStrip.h"

using testsupport::RecordingEngine;
using testsupport::ScriptedServices;

namespace {

constexpr int kPaused = 2, kStopped = 1, kClosed = 0, kRunning = 3;
// The writer is closed, hands over to the finishing exports, and is asked at once whether its outcome is in.
const QStringList kCloseThenAsk = {"writer.CloseObject()", "writer.GetRecordingProgress()",
                                   "writer.GetRecordingResult()"};
const QStringList kProgressAsked = {"writer.GetRecordingProgress()"};

// The export controller on its own controls: a speed selector left at 4x, an armed EXPORT button, and a
// clip list showing a temporary folder that stands for the listed recordings.
struct ExportFixture : ::testing::Test {
    TempSettings settings;
    RecordingEngine engine;
    ScriptedServices services;
    QTemporaryDir listed;
    QWidget window;
    widgets::RadioGroup* speed = new widgets::RadioGroup(&window);
    widgets::BitmapButton* exportButton = new widgets::BitmapButton("EXPORT", &window);
    widgets::ClipList* list = new widgets::ClipList(&window);
    widgets::StatusStrip* strip =
        new widgets::StatusStrip(" Arquivo de vídeo selecionado: clip.mxf", &window);
    PlayerFields fields;
    std::unique_ptr<clipexport::ExportJob> job;
    int speedClicks = 0;

    ExportFixture() {
        speed->setItems({"1x", "2x", "4x", "8x"});
        speed->setItemIndex(2);
        QObject::connect(speed, &widgets::RadioGroup::clicked, [this] { ++speedClicks; });
        list->setDirectory(listed.path());
        list->setMask("*.*");
        fields.m_pFile = engine::create<engine::IMFile>(engine, engine::CLSID_FileSource);
        fields.m_FileObj = engine::query<engine::IMObject>(fields.m_pFile);
        fields.arquivo_play = "/rec/2025/07/05/CAM1/clip.mxf";
        fields.Cue_In = 10;
        fields.Cue_Out = 25.5;
        fields.ParametrosCodec = "format=mxf video=mpeg2video audio=pcm_s16le";
        exportButton->setEnabled(true);
        restart();
        engine.clearCalls();
    }
    // A new controller, as after the program was started again; the settings stay.
    void restart() {
        job = std::make_unique<clipexport::ExportJob>(
            clipexport::ExportJobControls{&window, speed, exportButton, list, strip}, fields, engine,
            services.view());
    }
    QString target(const QString& name) const { return listed.filePath(name); }
    // A confirmed click writing `name` into the listed folder.
    void exportTo(const QString& name) {
        services.saveDialog.answer = target(name);
        job->BtExportarClick();
    }
    // The calls since the last clear, every writer named "writer" whatever its creation number.
    QStringList writerCalls() const {
        QStringList calls = engine.calls();
        calls.replaceInStrings(QRegularExpression("^writer\\d+"), "writer");
        return calls;
    }
    // What the writer would have left on success.
    void writeFile(const QString& name) {
        QFile f(target(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
};

} // namespace

TEST_F(ExportFixture, ConfirmedClickSetsUpSourceAndWriterThenPlaysTheRangeIntoIt) {
    exportTo("cut.avi");
    EXPECT_EQ(
        engine.calls(),
        QStringList({
            "create(writer2)",
            R"(file1.SetProp("eof_stop", "true"))",
            R"(file1.SetProp("loop", "false"))",
            R"(file1.SetProp("active_frc", "false"))",
            R"(file1.SetProp("preview.drop_frames", "true"))",
            R"(writer2.SetProp("rate_control", "true"))",
            R"(writer2.SetProp("pull_mode", "false"))",
            QString(R"(writer2.SetTarget("%1", "%2"))").arg(target("cut.avi"), fields.ParametrosCodec),
            R"(file1.OpenName("/rec/2025/07/05/CAM1/clip.mxf", )"
            R"("external_process=false experimental.mfcodecs=true experimental.out_video_packets=true"))",
            "file1.StopFile(0)",
            "file1.SetInOut(10, 25.5)",
            "file1.SetPosition(10, 0)",
            "file1.PlayFile()",
            "writer2.StartFrom(file1)",
        }));
    EXPECT_EQ(speed->itemIndex(), 0);
    EXPECT_EQ(speedClicks, 1) << "the selector's own handling sets the rate back to 1x";
    EXPECT_FALSE(exportButton->isEnabled());
    EXPECT_EQ(exportButton->tag(), 1);
    EXPECT_TRUE(fields.myObject_Export);
    EXPECT_EQ(RegConfig("ler", "storage_export", ""), QDir::toNativeSeparators(listed.path()));
}

TEST_F(ExportFixture, DialogProposesTheConfiguredExtensionAndTheLastExportFolder) {
    const struct {
        const char* name;
        QString extension, folder; // stored settings; empty: none
        QString suffix, filter;
    } cases[] = {
        {"defaults", "", "", ".avi", "Formato de video :avi |*.avi"},
        {"stored", "mxf", "/media/exports", ".mxf", "Formato de video :mxf |*.mxf"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempSettings::clear();
        services.saveDialog.requests.clear();
        if (!c.extension.isEmpty())
            RegConfig("escrever", "extensao", c.extension);
        if (!c.folder.isEmpty())
            RegConfig("escrever", "storage_export", c.folder);
        job->BtExportarClick();
        ASSERT_EQ(services.saveDialog.requests.size(), 1u);
        const auto& r = services.saveDialog.requests.front();
        EXPECT_EQ(r.initialFolder, c.folder);
        EXPECT_EQ(r.defaultSuffix, c.suffix);
        EXPECT_EQ(r.filter, c.filter);
    }
}

TEST_F(ExportFixture, NextDialogStartsInTheFolderOfTheLastTargetAlsoAfterARestart) {
    QDir(listed.path()).mkdir("day");
    exportTo("day/cut.avi");
    restart();
    services.saveDialog.answer.clear();
    job->BtExportarClick();
    ASSERT_EQ(services.saveDialog.requests.size(), 2u);
    EXPECT_EQ(services.saveDialog.requests[1].initialFolder,
              QDir::toNativeSeparators(listed.filePath("day")));

    // A file at the root of the file system gives the root itself, separator kept.
    services.saveDialog.answer = QDir::rootPath() + "cut.avi";
    job->BtExportarClick();
    EXPECT_EQ(RegConfig("ler", "storage_export", ""), QDir::toNativeSeparators(QDir::rootPath()));
}

TEST_F(ExportFixture, MarksChangedAfterArmingAreRefusedBeforeAnythingStarts) {
    const struct {
        const char* what;
        double in, out;
    } cases[] = {
        {"an in mark after the out point", 30, 25.5},
        {"a refused out mark before the in point", 10, 5},
        {"Play clearing a reversed pair", 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        services.messages.shown.clear();
        fields.Cue_In = c.in;
        fields.Cue_Out = c.out;
        exportTo("cut.avi");
        EXPECT_EQ(services.messages.shown, QStringList{"Ponto de saída menor que ponto de entrada!"});
        EXPECT_TRUE(services.saveDialog.requests.empty());
        EXPECT_TRUE(engine.calls().isEmpty()) << engine.calls().join("\n").toStdString();
        EXPECT_EQ(speed->itemIndex(), 2);
        EXPECT_TRUE(exportButton->isEnabled());
    }
}

TEST_F(ExportFixture, CancelClosesOnlyTheWriterAndTheNextClickReusesIt) {
    RegConfig("escrever", "storage_export", "/media/exports");
    services.saveDialog.answer.clear();
    job->BtExportarClick();
    const QStringList afterProps = engine.calls().mid(7);
    EXPECT_EQ(afterProps, QStringList{"writer2.CloseObject()"});
    EXPECT_TRUE(exportButton->isEnabled());
    EXPECT_EQ(exportButton->tag(), 0);
    EXPECT_EQ(speed->itemIndex(), 0);
    EXPECT_TRUE(fields.myWriter_Export);
    EXPECT_EQ(RegConfig("ler", "storage_export", ""), "/media/exports");

    // A tick now finds no job to end.
    job->checkCompletion(kStopped);
    EXPECT_TRUE(fields.myWriter_Export);

    engine.clearCalls();
    exportTo("cut.avi");
    EXPECT_EQ(engine.createdCount(engine::CLSID_FileWriter), 1);
    EXPECT_TRUE(engine.calls().contains("writer2.StartFrom(file1)"));
}

TEST_F(ExportFixture, CancelAfterAReArmLeavesTheRunningJobToFinish) {
    exportTo("cut.avi");
    const engine::MRef<engine::IMWriter> running = fields.myWriter_Export;
    exportButton->setEnabled(true); // a valid out mark during the job
    engine.clearCalls();
    services.saveDialog.answer.clear();
    job->BtExportarClick();
    EXPECT_TRUE(writerCalls().filter("CloseObject").isEmpty()) << "the running export is not cut short";
    EXPECT_EQ(exportButton->tag(), 1);
    EXPECT_TRUE(exportButton->isEnabled());
    EXPECT_EQ(fields.myWriter_Export, running);

    writeFile("cut.avi");
    engine.clearCalls();
    job->checkCompletion(kRunning);
    EXPECT_EQ(writerCalls(), kProgressAsked);
    engine.clearCalls();
    job->checkCompletion(kStopped);
    EXPECT_EQ(writerCalls(), kCloseThenAsk);
    EXPECT_FALSE(fields.myWriter_Export);
    EXPECT_TRUE(list->entries().contains("cut.avi"));
}

TEST_F(ExportFixture, ConfirmAfterAReArmClosesTheRunningJobWhichFinishesBesideTheNewOne) {
    const QString prefix = QStringLiteral("Falha na exportação: ");
    const struct {
        const char* name;
        int ok;
        QStringList shown;
    } cases[] = {
        {"first job fine", 1, {}},
        {"first job failed", 0, {prefix + "No space left on device"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        services.messages.shown.clear();
        fields.myWriter_Export.reset();
        exportTo("first.avi");
        const engine::MRef<engine::IMWriter> first = fields.myWriter_Export;
        exportButton->setEnabled(true);
        engine.presets().recordingStage = 2; // the first writer finishes its file for a while
        engine.presets().recordingOk = c.ok;
        engine.presets().recordingText = "No space left on device";
        engine.clearCalls();

        exportTo("second.avi");
        const QStringList calls = engine.calls();
        const QString firstTag = calls.filter(".SetProp(\"rate_control\"").first().section('.', 0, 0);
        const QString secondTag = calls.filter(".SetTarget(").first().section('.', 0, 0);
        EXPECT_NE(firstTag, secondTag) << "the new target goes to a writer of its own";
        EXPECT_LT(calls.indexOf(firstTag + ".CloseObject()"), calls.indexOf("create(" + secondTag + ")"));
        EXPECT_TRUE(calls.filter(firstTag + ".AbandonRecording").isEmpty());
        EXPECT_NE(fields.myWriter_Export, first);
        EXPECT_EQ(exportButton->tag(), 1);
        EXPECT_TRUE(services.messages.shown.isEmpty()) << "the first job's outcome is not in yet";
        job->checkCompletion(kRunning);
        EXPECT_EQ(strip->text(), "Exportando first.avi: 50%   Exportando second.avi: 0%");

        // The first job's outcome arrives while the second still records.
        engine.presets().recordingStage = 0;
        job->checkCompletion(kRunning);
        EXPECT_EQ(services.messages.shown, c.shown);
        EXPECT_EQ(exportButton->tag(), 1);

        // The second job ends on its own account.
        engine.presets().recordingOk = 1;
        services.messages.shown.clear();
        job->checkCompletion(kStopped);
        EXPECT_TRUE(services.messages.shown.isEmpty());
    }
}

TEST_F(ExportFixture, StatusStripShowsEachExportsProgressThenItsUsualText) {
    const QString usual = strip->text();
    fields.Cue_In = 10;
    fields.Cue_Out = 20;
    exportTo("cut.avi");
    const struct {
        const char* name;
        int sourceState, stage;
        double fraction;
        QString shown;
    } steps[] = {
        {"recording, 40 % of the range played", kRunning, 1, 0.4, "Exportando cut.avi: 20%"},
        {"recording ended, the file starts finishing", kStopped, 2, 0.0, "Exportando cut.avi: 50%"},
        {"finishing half done", kStopped, 2, 0.5, "Exportando cut.avi: 75%"},
        {"outcome in", kStopped, 0, 0.0, usual},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(s.name);
        engine.presets().recordingStage = s.stage;
        engine.presets().recordingFraction = s.fraction;
        job->checkCompletion(s.sourceState);
        EXPECT_EQ(strip->text(), s.shown);
    }
    // The clip text written meanwhile is what comes back.
    exportTo("cut.avi");
    engine.presets().recordingStage = 2;
    job->checkCompletion(kStopped);
    strip->say(widgets::StatusStrip::Layer::Usual, " Arquivo de vídeo selecionado: other.mxf");
    EXPECT_EQ(strip->text(), "Exportando cut.avi: 50%");
    strip->say(widgets::StatusStrip::Layer::Failure, " Falha ao abrir o clipe: arquivo não encontrado");
    EXPECT_EQ(strip->text(), "Exportando cut.avi: 50%") << "an export's progress outranks a failed open";
    engine.presets().recordingStage = 0;
    job->checkCompletion(kStopped);
    EXPECT_EQ(strip->text(), " Falha ao abrir o clipe: arquivo não encontrado");
    strip->say(widgets::StatusStrip::Layer::Failure, "");
    EXPECT_EQ(strip->text(), " Arquivo de vídeo selecionado: other.mxf");
}

TEST_F(ExportFixture, StatusStripTellsHowTheFinishedExportWasWrittenUntilTheNextOneOrAnotherClip) {
    const QString usual = strip->text();
    const QString written = "Wrote 250 frames to /x/cut.mxf: 240 copied from the source, 10 re-encoded";
    engine.presets().recordingText = written;
    exportTo("cut.mxf");
    engine.presets().recordingStage = 2;
    job->checkCompletion(kStopped);
    EXPECT_EQ(strip->text(), "Exportando cut.mxf: 50%");
    engine.presets().recordingStage = 0;
    job->checkCompletion(kStopped);
    EXPECT_EQ(strip->text(), written);
    EXPECT_TRUE(services.messages.shown.isEmpty());

    // The next export's progress, then its failure, which a box tells: the strip does not keep telling
    // of the export before.
    exportButton->setEnabled(true);
    engine.presets().recordingStage = 2;
    exportTo("again.mxf");
    job->checkCompletion(kRunning);
    EXPECT_EQ(strip->text(), "Exportando again.mxf: 0%");
    engine.presets().recordingOk = 0;
    engine.presets().recordingText = "No space left on device";
    engine.presets().recordingStage = 0;
    job->checkCompletion(kStopped);
    EXPECT_EQ(strip->text(), usual);
    EXPECT_EQ(services.messages.shown.size(), 1);

    // A success told, then another clip selected.
    exportButton->setEnabled(true);
    engine.presets().recordingOk = 1;
    engine.presets().recordingText = written;
    exportTo("cut.mxf");
    job->checkCompletion(kStopped);
    EXPECT_EQ(strip->text(), written);
    strip->say(widgets::StatusStrip::Layer::Usual, " Arquivo de vídeo selecionado: other.mxf");
    EXPECT_EQ(strip->text(), " Arquivo de vídeo selecionado: other.mxf");
}

TEST_F(ExportFixture, ClosingTheWindowAbandonsEveryExportNotYetFinished) {
    exportTo("first.avi");
    exportButton->setEnabled(true);
    engine.presets().recordingStage = 2;
    exportTo("second.avi");
    engine.clearCalls();
    job->abandonAll();
    EXPECT_EQ(engine.calls().filter("AbandonRecording").size(), 2);
    // Nothing is told or listed afterwards.
    engine.presets().recordingStage = 0;
    engine.presets().recordingOk = 0;
    job->checkCompletion(kStopped);
    EXPECT_TRUE(services.messages.shown.isEmpty());
    EXPECT_EQ(strip->text(), " Arquivo de vídeo selecionado: clip.mxf");
}

TEST_F(ExportFixture, TickEndsTheJobOnceTheSourceLeavesTheRunningState) {
    const struct {
        const char* name;
        int state;
        bool ends;
    } cases[] = {
        {"still running", kRunning, false},
        {"paused by the operator", kPaused, true},
        {"stopped at the out point", kStopped, true},
        {"source never started", kClosed, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fields.myWriter_Export.reset();
        exportTo("cut.avi");
        const engine::MRef<engine::IMObject> writerObject = fields.myObject_Export;
        writeFile("cut.avi");
        engine.clearCalls();

        job->checkCompletion(c.state);
        EXPECT_EQ(bool(fields.myWriter_Export), !c.ends);
        EXPECT_EQ(exportButton->tag(), c.ends ? 0 : 1);
        EXPECT_EQ(list->entries().contains("cut.avi"), c.ends) << "the list is re-read when the job ends";
        EXPECT_EQ(fields.myObject_Export, writerObject) << "the object view is left in place";
        EXPECT_FALSE(exportButton->isEnabled());
        EXPECT_EQ(writerCalls(), c.ends ? kCloseThenAsk : kProgressAsked);

        // Later ticks find nothing more to do.
        engine.clearCalls();
        job->checkCompletion(kStopped);
        if (c.ends)
            EXPECT_TRUE(engine.calls().isEmpty());
        QFile::remove(target("cut.avi"));
        list->reread();
    }
    EXPECT_TRUE(services.messages.shown.isEmpty());
}

TEST_F(ExportFixture, FailedRecordingIsReportedOnceAndSuccessStaysSilent) {
    const QString prefix = QStringLiteral("Falha na exportação: ");
    const struct {
        const char* name;
        int targetStatus, ok;
        QString text;
        QStringList shown;
    } cases[] = {
        {"finished", 0, 1, "12 s written", {}},
        {"folder not writable",
         0,
         0,
         "Permission denied: /media/exports/cut.avi",
         {prefix + "Permission denied: /media/exports/cut.avi"}},
        {"disk full", 0, 0, "No space left on device", {prefix + "No space left on device"}},
        {"no reason given", 0, 0, "", {prefix + "o gravador não informou o motivo"}},
        // The writer refused the target; whatever it reports at the end, the refusal is what happened.
        {"target refused",
         engine::kInvalidArg,
         1,
         "unknown option 'vcodec'",
         {prefix + "unknown option 'vcodec'"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        services.messages.shown.clear();
        engine.presets().setTargetStatus = c.targetStatus;
        engine.presets().recordingOk = c.targetStatus == 0 ? c.ok : 0;
        engine.presets().recordingText = c.text;
        exportTo("cut.avi");
        engine.presets().recordingOk = c.ok;
        engine.clearCalls();

        job->checkCompletion(kStopped);
        EXPECT_EQ(services.messages.shown, c.shown);
        if (c.targetStatus == 0)
            EXPECT_EQ(writerCalls(), kCloseThenAsk) << "the outcome is known once the file is closed";
        job->checkCompletion(kStopped);
        EXPECT_EQ(services.messages.shown, c.shown) << "reported once";
    }
}
