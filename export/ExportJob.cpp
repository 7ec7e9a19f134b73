#include "export/ExportJob.h"

#include <QDir>
#include <QFileInfo>
#include <utility>

#include "engine/ClassIds.h"
#include "export/MarkedRange.h"
#include "settings/RegConfig.h"
#include "widgets/BitmapButton.h"
#include "widgets/ClipList.h"
#include "widgets/RadioGroup.h"

namespace clipexport {

using namespace engine;

namespace {
constexpr int kStateRunning = 3;
constexpr int kJobRunning = 1;
const QString kOpenParams =
    QStringLiteral("external_process=false experimental.mfcodecs=true experimental.out_video_packets=true");
const QString kFailurePrefix = QStringLiteral("Falha na exportação: ");
const QString kNoReason = QStringLiteral("o gravador não informou o motivo");

// The folder of a chosen file, without a trailing separator except for a root folder.
QString folderOf(const QString& file) {
    return QDir::toNativeSeparators(QFileInfo(file).absolutePath());
}

// The writer's account of its last recording; empty when it succeeded.
QString recordingFailure(IMWriter& writer) {
    int ok = 0;
    QString text;
    writer.GetRecordingResult(ok, text);
    if (ok == 1)
        return {};
    return text.isEmpty() ? kNoReason : text;
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
    // The job started earlier ends here, before the writer takes its new target; its failure would
    // otherwise never be told.
    if (jobRunning)
        reportFailure(closeWriter());
    start(file);
}

void ExportJob::prepareSourceAndWriter() {
    query<IMProps>(fields_.m_pFile)->SetProp(QStringLiteral("eof_stop"), QStringLiteral("true"));
    const MRef<IMProps> source = query<IMProps>(fields_.m_FileObj);
    source->SetProp(QStringLiteral("loop"), QStringLiteral("false"));
    source->SetProp(QStringLiteral("active_frc"), QStringLiteral("false"));
    source->SetProp(QStringLiteral("preview.drop_frames"), QStringLiteral("true"));
    const MRef<IMProps> writer = query<IMProps>(fields_.myWriter_Export);
    writer->SetProp(QStringLiteral("rate_control"), QStringLiteral("true"));
    writer->SetProp(QStringLiteral("pull_mode"), QStringLiteral("false"));
}

void ExportJob::start(const QString& file) {
    // A refused target would otherwise pass for a finished export at the end of the range: keep the
    // writer's reason for the completion check.
    refusal_.clear();
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
    if (sourceState == kStateRunning || ui_.BtExportar->tag() != kJobRunning || !fields_.myWriter_Export)
        return;
    ui_.BtExportar->setTag(0);
    const QString failure = closeWriter();
    fields_.myWriter_Export.reset();
    // Reported before the list is re-read, so a vanished folder cannot hide it.
    reportFailure(failure);
    ui_.FileList->reread();
}

QString ExportJob::closeWriter() {
    query<IMObject>(fields_.myWriter_Export)->CloseObject();
    QString failure = std::exchange(refusal_, QString());
    if (failure.isEmpty())
        failure = recordingFailure(*fields_.myWriter_Export);
    return failure;
}

void ExportJob::reportFailure(const QString& failure) {
    if (!failure.isEmpty())
        services_.messages.information(ui_.window, kFailurePrefix + failure);
}

} // namespace clipexport
