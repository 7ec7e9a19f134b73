#pragma once
// The file writer engine object: configuration (IMConfig, whose own attributes are the three options by
// name with their current choice as the value), target and outcome (IMWriter), recording from a
// file source (IMObject) and properties (IMProps). All calls come from the caller's thread and return at
// once; the encoding, and the finishing of the file after CloseObject, run on the recording's own thread.
#include <QMap>
#include <memory>
#include <optional>
#include <vector>

#include "core/EngineObject.h"
#include "core/MediaSink.h"
#include "writer/AttributeTable.h"
#include "writer/WriterConfig.h"

namespace engine::ff {

class RecordingJob;
class CopyExport;

class FileWriter final
    : public EngineObject<FileWriter, IMWriter, IMObject, IMProps, AttributeTable<IMConfig>> {
  public:
    FileWriter();
    ~FileWriter() override;

    // IMWriter
    int SetTarget(const QString& fileName, const QString& params) override;
    int GetRecordingResult(int& ok, QString& text) override;
    int GetRecordingProgress(int& stage, double& fraction) override;
    int AbandonRecording() override;
    // IMObject
    int StartFrom(IMObject* source) override;
    int CloseObject() override;
    int GetState(int& state) override;
    // IMProps
    int SetProp(const QString& name, const QString& value) override;
    int GetProp(const QString& name, QString& value) override;
    // IMConfig
    int GetChoiceCount(const QString& option, int& count) override;
    int GetChoiceName(const QString& option, int index, QString& name) override;
    int SelectChoice(const QString& option, const QString& name, MRef<IMAttributes>& attributes) override;
    int GetSelectedChoice(const QString& option, QString& name, MRef<IMAttributes>& attributes) override;
    int GetParamText(int whole, QString& text) override;

  private:
    const std::vector<AttributeDef>& defs() const override; // described afresh from the choices
    int store(const AttributeDef& def, const QString& value) override;
    QString valueOf(const AttributeDef& def) const override;
    bool flagOf(const AttributeDef& def) const override; // whether the option has a choice

    // Lets go of the source and has the recording finish its file in the background.
    void closeRecording();
    void attach(const MRef<ISourceHub>& hub, IMObject* source, bool asSink = true);
    // A copy that cuts the clip's own streams needs nothing the source plays: once the source has the
    // clip open, its range is handed to the cut and the source is stopped, which ends the job's
    // recording at once. Runs on every call from the caller's thread until then.
    void takeRangeFromSource();
    // Closes the recording under way and keeps it finishing apart, before the next one starts.
    void retireRecording();
    void setOutcome(bool ok, const QString& text);
    // Media time the recording's range ends at, as the source reads it now; 0 when unknown.
    double rangeEnd(double& in) const;

    WriterConfig config_;
    mutable std::vector<AttributeDef> defs_;
    QMap<QString, QString> props_;
    struct Target {
        QString fileName;
        WriterSettings settings;
    };
    std::optional<Target> target_;
    std::unique_ptr<RecordingJob> recording_;            // the last one, recording or finishing or done
    std::vector<std::unique_ptr<RecordingJob>> retired_; // earlier ones still finishing their files
    MRef<ISourceHub> source_;                            // held while recording
    MRef<IMFile> sourceFile_; // the same source, for the range the progress is told on
    bool sinkAdded_ = false;
    CopyExport* rangeWanted_ = nullptr; // the recording, while it waits for the source's range
    bool ok_ = false;
    QString outcome_;
};

} // namespace engine::ff
