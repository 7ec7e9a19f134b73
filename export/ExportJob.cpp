#include "export/ExportJob.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>
#include <algorithm>
#include <utility>

#include "engine/ClassIds.h"
#include "export/MarkedRange.h"
#include "settings/RegConfig.h"
#include "widgets/BitmapButton.h"
#include "widgets/ClipList.h"
#include "widgets/RadioGroup.h"
#include "widgets/StatusStrip.h"

namespace clipexport {

using namespace engine;

namespace {
constexpr int kStateRunning = 3;
constexpr int kJobRunning = 1;
constexpr int kRecording = 1, kFinishing = 2; // the writer's stages
const QString kOpenParams =
    QStringLiteral("external_process=false experimental.mfcodecs=true experimental.out_video_packets=true");
const QString kFailurePrefix = QStringLiteral("Falha na exportação: ");
const QString kNoReason = QStringLiteral("o gravador não informou o motivo");

// The folder of a chosen file, without a trailing separator except for a root folder.
QString folderOf(const QString& file) {
    return QDir::toNativeSeparators(QFileInfo(file).absolutePath());
}

// The writer's account of its last recording: whether it succeeded, and what it says (the reason of a
// failure, or how the file was written).
struct RecordingOutcome {
    bool ok = false;
    QString text;
};
RecordingOutcome recordingOutcome(IMWriter& writer) {
    int ok = 0;
    QString text;
    writer.GetRecordingResult(ok, text);
    if (ok == 1)
        return {true, text};
    return {false, text.isEmpty() ? kNoReason : text};
}

// The writer's account of its last recording; empty when it succeeded.
QString recordingFailure(IMWriter& writer) {
    const RecordingOutcome outcome = recordingOutcome(writer);
    return outcome.ok ? QString() : outcome.text;
}
} // namespace

ExportJob::ExportJob(ExportJobControls controls, PlayerFields& fields, IEngineFactory& factory,
                     services::Services services)
    : ui_(controls), fields_(fields), factory_(factory), services_(services) {}

void ExportJob::BtExportarClick() {
    // EXPORT stays armed while the marks change after it: a later in mark, a refused out mark, or Play
    // clearing a reversed pair. Exporting those marks would write another range than the one marked, or
    // the whole clip.
    if (!isExportableRange(fields_.Cue_In, fields_.Cue_Out)) {
        services_.messages.information(ui_.window, outBeforeInMessage());
        return;
    }
    const bool jobRunning = ui_.BtExportar->tag() == kJobRunning;
    ui_.RGSpeedPlay->setItemIndex(0);
    ui_.BtExportar->setTag(0);
    if (!fields_.myWriter_Export)
        fields_.myWriter_Export = create<IMWriter>(factory_, CLSID_FileWriter);
    fields_.myObject_Export = query<IMObject>(fields_.myWriter_Export);
    prepareSourceAndWriter();

    const QString extension =
        RegConfig(QStringLiteral("ler"), QStringLiteral("extensao"), QStringLiteral("avi"));
    const QString folder = RegConfig(QStringLiteral("ler"), QStringLiteral("storage_export"), QString());
    const QString file = services_.saveDialog.getSaveFileName(
        ui_.window, {folder, "." + extension, "Formato de video :" + extension + " |*." + extension});
    if (file.isEmpty()) {
        // A job started earlier goes on and is watched again: closing its writer here would cut that
        // export short without a word.
        if (jobRunning) {
            ui_.BtExportar->setTag(kJobRunning);
            return;
        }
        // Cancelled: the writer is kept for the next click.
        if (fields_.myObject_Export)
            fields_.myObject_Export->CloseObject();
        return;
    }
    RegConfig(QStringLiteral("escrever"), QStringLiteral("storage_export"), folderOf(file));
    // The job started earlier ends here and finishes its file beside the new one, which gets a writer of
    // its own: the old writer's outcome, failure included, is still to be told.
    if (jobRunning) {
        closeWriter();
        fields_.myWriter_Export = create<IMWriter>(factory_, CLSID_FileWriter);
        fields_.myObject_Export = query<IMObject>(fields_.myWriter_Export);
        prepareWriter();
    }
    start(file);
}

void ExportJob::prepareSourceAndWriter() {
    query<IMProps>(fields_.m_pFile)->SetProp(QStringLiteral("eof_stop"), QStringLiteral("true"));
    const MRef<IMProps> source = query<IMProps>(fields_.m_FileObj);
    source->SetProp(QStringLiteral("loop"), QStringLiteral("false"));
    source->SetProp(QStringLiteral("active_frc"), QStringLiteral("false"));
    source->SetProp(QStringLiteral("preview.drop_frames"), QStringLiteral("true"));
    prepareWriter();
}

void ExportJob::prepareWriter() {
    const MRef<IMProps> writer = query<IMProps>(fields_.myWriter_Export);
    writer->SetProp(QStringLiteral("rate_control"), QStringLiteral("true"));
    writer->SetProp(QStringLiteral("pull_mode"), QStringLiteral("false"));
}

void ExportJob::start(const QString& file) {
    // A refused target would otherwise pass for a finished export at the end of the range: keep the
    // writer's reason for the completion check.
    refusal_.clear();
    ui_.PainelArquivo->say(widgets::StatusStrip::Layer::Outcome, {}); // told of an earlier export
    runningName_ = QFileInfo(file).fileName();
    if (fields_.myWriter_Export->SetTarget(file, fields_.ParametrosCodec) != kOk)
        refusal_ = recordingFailure(*fields_.myWriter_Export);
    IMFile& source = *fields_.m_pFile;
    source.OpenName(fields_.arquivo_play, kOpenParams);
    source.StopFile(0.0);
    source.SetInOut(fields_.Cue_In, fields_.Cue_Out);
    source.SetPosition(fields_.Cue_In, 0.0);
    source.PlayFile();
    fields_.myObject_Export->StartFrom(fields_.m_FileObj.get());
    ui_.BtExportar->setEnabled(false);
    ui_.BtExportar->setTag(kJobRunning);
}

void ExportJob::checkCompletion(int sourceState) {
    bool ended = false;
    if (sourceState != kStateRunning && ui_.BtExportar->tag() == kJobRunning && fields_.myWriter_Export) {
        ui_.BtExportar->setTag(0);
        closeWriter();
        ended = true;
    }
    // Failures are reported before the list is re-read, so a vanished folder cannot hide them.
    if (collectOutcomes() || ended)
        ui_.FileList->reread();
    showProgress();
}

void ExportJob::closeWriter() {
    query<IMObject>(fields_.myWriter_Export)->CloseObject();
    finishing_.push_back({fields_.myWriter_Export, runningName_, std::exchange(refusal_, QString())});
    fields_.myWriter_Export.reset();
}

bool ExportJob::collectOutcomes() {
    const auto before = finishing_.size();
    std::erase_if(finishing_, [this](const Finishing& f) {
        int stage = 0;
        double fraction = 0;
        f.writer->GetRecordingProgress(stage, fraction);
        if (stage != 0)
            return false;
        if (!f.refusal.isEmpty()) {
            reportFailure(f.refusal);
            return true;
        }
        const RecordingOutcome outcome = recordingOutcome(*f.writer);
        if (!outcome.ok)
            reportFailure(outcome.text);
        else if (!outcome.text.isEmpty())
            ui_.PainelArquivo->say(widgets::StatusStrip::Layer::Outcome, outcome.text);
        return true;
    });
    return finishing_.size() != before;
}

// Recording fills the first half of the scale and finishing the file the second.
void ExportJob::showProgress() {
    QStringList lines;
    auto line = [&](const QString& name, int percent) {
        lines << QStringLiteral("Exportando %1: %2%").arg(name).arg(std::clamp(percent, 0, 100));
    };
    for (const Finishing& f : finishing_) {
        int stage = 0;
        double fraction = 0;
        f.writer->GetRecordingProgress(stage, fraction);
        line(f.name, 50 + int(50 * (stage == kFinishing ? fraction : 0.0)));
    }
    if (ui_.BtExportar->tag() == kJobRunning && fields_.myWriter_Export) {
        int stage = 0;
        double fraction = 0;
        fields_.myWriter_Export->GetRecordingProgress(stage, fraction);
        line(runningName_, int(50 * (stage == kRecording ? fraction : 0.0)));
    }
    ui_.PainelArquivo->say(widgets::StatusStrip::Layer::Progress, lines.join(QStringLiteral("   ")));
}

void ExportJob::abandonAll() {
    if (fields_.myWriter_Export)
        fields_.myWriter_Export->AbandonRecording();
    for (const Finishing& f : finishing_)
        f.writer->AbandonRecording();
    finishing_.clear();
    ui_.BtExportar->setTag(0);
}

void ExportJob::reportFailure(const QString& failure) {
    if (!failure.isEmpty())
        services_.messages.information(ui_.window, kFailurePrefix + failure);
}

} // namespace clipexport
