#include "RecordingEngine.h"

#include <QLocale>
#include <atomic>

namespace testsupport {
using namespace engine;
namespace {

QString arg(const QString& s) { return '"' + s + '"'; }
QString arg(double d) { return QString::number(d, 'g', QLocale::FloatingPointShortest); }
QString arg(int i) { return QString::number(i); }

class RecordingAttributes : public IMAttributes {
public:
    RecordingAttributes(std::shared_ptr<QStringList> log, QString tag, ScriptedChoice* choice)
        : log_(std::move(log)), tag_(std::move(tag)), choice_(choice) {}

    void AddRef() override { ++refs_; }
    void Release() override {
        if (--refs_ == 0) delete this;
    }
    IMUnknown* QueryInterface(InterfaceId iid) override {
        if (iid != IMAttributes::IID) return nullptr;
        AddRef();
        return this;
    }
    int SetAttribute(const QString& name, const QString& value) override {
        log_->append(tag_ + ".SetAttribute(" + arg(name) + ", " + arg(value) + ")");
        if (auto* a = find(name)) a->value = value;
        else choice_->attributes.push_back({name, value});
        return kOk;
    }
    int GetAttributeText(const QString& name, int&, QString& value) override {
        auto* a = find(name);
        if (!a) return kInvalidArg;
        value = a->value;
        return kOk;
    }
    int GetAttributeFlag(const QString& name, int& value) override {
        auto* a = find(name);
        if (!a) return kInvalidArg;
        value = (a->value == "true" || a->value.toInt() != 0) ? 1 : 0;
        return kOk;
    }
    int GetAttributeCount(int& count) override {
        count = int(choice_->attributes.size());
        return kOk;
    }
    int GetAttributeName(int index, QString& name) override {
        if (index < 0 || index >= int(choice_->attributes.size())) return kInvalidArg;
        name = choice_->attributes[size_t(index)].name;
        return kOk;
    }
    int GetAttributeInfo(const QString& name, int field, QString& text) override {
        auto* a = find(name);
        if (!a) return kInvalidArg;
        switch (field) {
        case 0: text = a->help; return kOk;
        case 1: text = a->type; return kOk;
        case 2: text = a->defaultValue; return kOk;
        case 3: text = a->choices; return kOk;
        default: return kInvalidArg;
        }
    }

private:
    ScriptedAttribute* find(const QString& name) {
        for (auto& a : choice_->attributes)
            if (a.name == name) return &a;
        return nullptr;
    }
    std::shared_ptr<QStringList> log_;
    QString tag_;
    ScriptedChoice* choice_;
    std::atomic<int> refs_{0};
};

enum class Kind { File, Preview, Writer, Caption };

// One object type for every class; `kind` decides which interfaces it offers.
class RecordingObject : public IMFile,
                        public IMObject,
                        public IMPreview,
                        public IMProps,
                        public IMPlugins,
                        public IMWriter,
                        public IMConfig,
                        public IMCaptionPlugin {
public:
    RecordingObject(Kind kind, QString tag, std::shared_ptr<QStringList> log, std::shared_ptr<EnginePresets> presets)
        : kind_(kind), tag_(std::move(tag)), log_(std::move(log)), presets_(std::move(presets)) {}

    void AddRef() override { ++refs_; }
    void Release() override {
        if (--refs_ == 0) delete this;
    }
    IMUnknown* QueryInterface(InterfaceId iid) override {
        IMUnknown* view = find(iid);
        if (view) AddRef();
        return view;
    }
    IMUnknown* primary() {
        switch (kind_) {
        case Kind::File: return static_cast<IMFile*>(this);
        case Kind::Preview: return static_cast<IMPreview*>(this);
        case Kind::Writer: return static_cast<IMWriter*>(this);
        case Kind::Caption: return static_cast<IMCaptionPlugin*>(this);
        }
        return nullptr;
    }

    // IMFile
    int OpenName(const QString& name, const QString& params) override { return log("OpenName", {arg(name), arg(params)}); }
    int SetInOut(double in, double out) override { return log("SetInOut", {arg(in), arg(out)}); }
    int GetInOut(double& in, double& out, double& duration) override {
        in = presets_->in;
        out = presets_->out;
        duration = presets_->duration;
        return log("GetInOut", {});
    }
    int SetPosition(double position, double reserved) override { return log("SetPosition", {arg(position), arg(reserved)}); }
    int GetPosition(double& position) override {
        position = presets_->position;
        return log("GetPosition", {});
    }
    int PlayFile() override { return log("PlayFile", {}); }
    int PauseFile(double reserved) override { return log("PauseFile", {arg(reserved)}); }
    int StopFile(double reserved) override { return log("StopFile", {arg(reserved)}); }
    int SetRate(double rate) override { return log("SetRate", {arg(rate)}); }

    // IMObject
    int StartFrom(IMObject* source) override {
        auto* obj = dynamic_cast<RecordingObject*>(source);
        return log("StartFrom", {obj ? obj->tag_ : QStringLiteral("null")});
    }
    int CloseObject() override { return log("CloseObject", {}); }
    int GetState(int& state) override {
        state = kind_ == Kind::File ? presets_->sourceState : kind_ == Kind::Writer ? presets_->writerState : 0;
        return log("GetState", {});
    }

    // IMPreview
    int EnableOutput(const QString& line, int audio, int video) override {
        return log("EnableOutput", {arg(line), arg(audio), arg(video)});
    }
    int SetWindow(const QString& line, IVideoSurface* surface) override {
        return log("SetWindow", {arg(line), surface ? QStringLiteral("surface") : QStringLiteral("null")});
    }
    int SetFullScreen(const QString& line, int on, int index) override {
        return log("SetFullScreen", {arg(line), arg(on), arg(index)});
    }

    // IMProps
    int SetProp(const QString& name, const QString& value) override {
        props_[name] = value;
        return log("SetProp", {arg(name), arg(value)});
    }
    int GetProp(const QString& name, QString& value) override {
        if (!props_.contains(name)) return kInvalidArg;
        value = props_[name];
        return kOk;
    }

    // IMPlugins
    int CountPlugins(int& count) override {
        count = int(plugins_.size());
        return log("CountPlugins", {});
    }
    int GetPluginAt(int index, MRef<IMUnknown>& plugin, int&) override {
        log("GetPluginAt", {arg(index)});
        if (index < 0 || index >= int(plugins_.size())) return kInvalidArg;
        plugin = plugins_[size_t(index)];
        return kOk;
    }
    int AttachPlugin(IMUnknown* plugin, void*) override {
        plugins_.push_back(MRef<IMUnknown>::share(plugin));
        return log("AttachPlugin", {tagOf(plugin)});
    }
    int DetachPlugin(IMUnknown* plugin) override {
        QString tag = tagOf(plugin);
        std::erase_if(plugins_, [&](const MRef<IMUnknown>& p) { return tagOf(p.get()) == tag; });
        return log("DetachPlugin", {tag});
    }

    // IMWriter
    int SetTarget(const QString& file, const QString& params) override {
        log("SetTarget", {arg(file), arg(params)});
        return presets_->setTargetStatus;
    }
    int GetRecordingResult(int& ok, QString& text) override {
        ok = presets_->recordingOk;
        text = presets_->recordingText;
        return log("GetRecordingResult", {});
    }
    int GetRecordingProgress(int& stage, double& fraction) override {
        stage = presets_->recordingStage;
        fraction = presets_->recordingFraction;
        return log("GetRecordingProgress", {});
    }
    int AbandonRecording() override { return log("AbandonRecording", {}); }

    // IMAttributes of the writer itself: none.
    int SetAttribute(const QString& name, const QString& value) override { return log("SetAttribute", {arg(name), arg(value)}); }
    int GetAttributeText(const QString&, int&, QString&) override { return kInvalidArg; }
    int GetAttributeFlag(const QString&, int&) override { return kInvalidArg; }
    int GetAttributeCount(int& count) override {
        count = 0;
        return kOk;
    }
    int GetAttributeName(int, QString&) override { return kInvalidArg; }
    int GetAttributeInfo(const QString&, int, QString&) override { return kInvalidArg; }

    // IMConfig over the scripted configuration.
    int GetChoiceCount(const QString& option, int& count) override {
        count = int(presets_->config.options.value(option).size());
        return log("GetChoiceCount", {arg(option)});
    }
    int GetChoiceName(const QString& option, int index, QString& name) override {
        log("GetChoiceName", {arg(option), arg(index)});
        auto& choices = presets_->config.options[option];
        if (index < 0 || index >= int(choices.size())) return kInvalidArg;
        name = choices[size_t(index)].name;
        return kOk;
    }
    int SelectChoice(const QString& option, const QString& name, MRef<IMAttributes>& attributes) override {
        log("SelectChoice", {arg(option), arg(name)});
        for (auto& c : presets_->config.options[option]) {
            if (c.name != name) continue;
            selected_[option] = name;
            attributes = attributesOf(option, c);
            return kOk;
        }
        return kInvalidArg;
    }
    int GetSelectedChoice(const QString& option, QString& name, MRef<IMAttributes>& attributes) override {
        log("GetSelectedChoice", {arg(option)});
        for (auto& c : presets_->config.options[option]) {
            if (c.name != selected_.value(option)) continue;
            name = c.name;
            attributes = attributesOf(option, c);
            return kOk;
        }
        return kInvalidArg;
    }
    // "format=<f> video=<v> audio=<a>" followed by each selected choice's attributes as name=value.
    int GetParamText(int whole, QString& text) override {
        log("GetParamText", {arg(whole)});
        QStringList parts;
        for (auto [option, key] : {std::pair{"format", "format"}, {"format::video", "video"}, {"format::audio", "audio"}}) {
            QString sel = selected_.value(option);
            parts << QString(key) + "=" + sel;
            for (auto& c : presets_->config.options[option])
                if (c.name == sel)
                    for (auto& a : c.attributes) parts << QString(key) + "." + a.name + "=" + a.value;
        }
        text = parts.join(' ');
        return kOk;
    }

private:
    IMUnknown* find(InterfaceId iid) {
        const bool file = kind_ == Kind::File, preview = kind_ == Kind::Preview, writer = kind_ == Kind::Writer;
        if (iid == IMObject::IID && kind_ != Kind::Caption) return static_cast<IMObject*>(this);
        if (iid == IMProps::IID && kind_ != Kind::Caption) return static_cast<IMProps*>(this);
        if (file && iid == IMFile::IID) return static_cast<IMFile*>(this);
        if (file && iid == IMPlugins::IID) return static_cast<IMPlugins*>(this);
        if (preview && iid == IMPreview::IID) return static_cast<IMPreview*>(this);
        if (writer && iid == IMWriter::IID) return static_cast<IMWriter*>(this);
        if (writer && iid == IMConfig::IID) return static_cast<IMConfig*>(this);
        if (writer && iid == IMAttributes::IID) return static_cast<IMAttributes*>(static_cast<IMConfig*>(this));
        if (kind_ == Kind::Caption && iid == IMCaptionPlugin::IID) return static_cast<IMCaptionPlugin*>(this);
        return nullptr;
    }
    static QString tagOf(IMUnknown* p) {
        if (!p) return QStringLiteral("null");
        // Any view of a recording object leads back to it through the caption or object view.
        if (auto* cap = p->QueryInterface(IMCaptionPlugin::IID)) {
            QString t = static_cast<RecordingObject*>(static_cast<IMCaptionPlugin*>(cap))->tag_;
            cap->Release();
            return t;
        }
        if (auto* obj = p->QueryInterface(IMObject::IID)) {
            QString t = static_cast<RecordingObject*>(static_cast<IMObject*>(obj))->tag_;
            obj->Release();
            return t;
        }
        return QStringLiteral("foreign");
    }
    MRef<IMAttributes> attributesOf(const QString& option, ScriptedChoice& c) {
        auto* a = new RecordingAttributes(log_, tag_ + "[" + option + ":" + c.name + "]", &c);
        a->AddRef();
        return MRef<IMAttributes>::adopt(a);
    }
    int log(const char* method, const QStringList& args) {
        log_->append(tag_ + "." + method + "(" + args.join(", ") + ")");
        return kOk;
    }

    Kind kind_;
    QString tag_;
    std::shared_ptr<QStringList> log_;
    std::shared_ptr<EnginePresets> presets_;
    QMap<QString, QString> props_;
    QMap<QString, QString> selected_;
    std::vector<MRef<IMUnknown>> plugins_;
    std::atomic<int> refs_{0};
};

}  // namespace

RecordingEngine::RecordingEngine()
    : log_(std::make_shared<QStringList>()), presets_(std::make_shared<EnginePresets>()) {}
RecordingEngine::~RecordingEngine() = default;

MRef<IMUnknown> RecordingEngine::CreateObject(ClassId classId) {
    std::string id(classId);
    if (failingClasses.count(id)) throw EngineError(QStringLiteral("Classe não registrada"));
    Kind kind;
    QString name;
    if (classId == CLSID_FileSource) kind = Kind::File, name = "file";
    else if (classId == CLSID_PreviewRenderer) kind = Kind::Preview, name = "preview";
    else if (classId == CLSID_FileWriter) kind = Kind::Writer, name = "writer";
    else if (classId == CLSID_CaptionPlugin) kind = Kind::Caption, name = "caption";
    else throw EngineError(QStringLiteral("Classe não registrada"));
    created_.push_back(id);
    auto* obj = new RecordingObject(kind, name + QString::number(created_.size()), log_, presets_);
    IMUnknown* primary = obj->primary();
    primary->AddRef();
    log_->append(QStringLiteral("create(%1)").arg(name + QString::number(created_.size())));
    return MRef<IMUnknown>::adopt(primary);
}

QStringList RecordingEngine::callsStartingWith(const QString& prefix) const {
    QStringList out;
    for (const auto& c : *log_)
        if (c.startsWith(prefix)) out << c;
    return out;
}

int RecordingEngine::createdCount(ClassId classId) const {
    return int(std::count(created_.begin(), created_.end(), std::string(classId)));
}

}  // namespace testsupport
