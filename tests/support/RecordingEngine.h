#pragma once
// A recording double of the media engine: every call on every object it makes is logged with its
// arguments, and tests preset what the objects report (state, position, duration, configuration).
#include <QMap>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "engine/EngineFactory.h"

namespace testsupport {

// What a writer configuration offers: per option ("format", "format::video", "format::audio") its choices,
// and per choice an ordered list of attributes.
struct ScriptedAttribute {
    QString name, value, help, type = "string", defaultValue, choices;
};
struct ScriptedChoice {
    QString name;
    std::vector<ScriptedAttribute> attributes;
};
struct ScriptedConfig {
    QMap<QString, std::vector<ScriptedChoice>> options;
};

struct EnginePresets {
    // File source outputs.
    double in = 0, out = 0, duration = 0, position = 0;
    int sourceState = 0;
    // Writer outputs.
    int writerState = 0;
    int recordingOk = 1;
    int setTargetStatus = 0;  // what SetTarget returns
    QString recordingText;
    int recordingStage = 0; // GetRecordingProgress: 0 none under way, 1 recording, 2 finishing
    double recordingFraction = 0;
    ScriptedConfig config;
};

class RecordingEngine : public engine::IEngineFactory {
public:
    RecordingEngine();
    ~RecordingEngine() override;

    engine::MRef<engine::IMUnknown> CreateObject(engine::ClassId classId) override;

    // Every call as "tag.Method(arg, ...)": tags are file1, preview2, writer3, caption4 ... numbered in
    // creation order; texts are quoted, numbers in their shortest form.
    QStringList calls() const { return *log_; }
    void clearCalls() { log_->clear(); }
    // The calls whose text starts with `prefix` (for example "file1.SetPosition").
    QStringList callsStartingWith(const QString& prefix) const;

    EnginePresets& presets() { return *presets_; }
    // Creation of these classes throws, as when the engine is not installed.
    std::set<std::string> failingClasses;
    int createdCount(engine::ClassId classId) const;

private:
    std::shared_ptr<QStringList> log_;
    std::shared_ptr<EnginePresets> presets_;
    std::vector<std::string> created_;
};

}  // namespace testsupport
