#include "writer/FileWriter.h"

#include <QStringList>
#include <filesystem>

#include "audio/ChannelMap.h"
#include "core/MediaSink.h"
#include "core/ObjectMakers.h"
#include "engine/OperatorTexts.h"
#include "smartcut/CopyExport.h"
#include "writer/AudioEncoder.h"
#include "writer/Recorder.h"

#include <algorithm>

namespace engine::ff {
namespace {

const QStringList kOptions = {WriterConfig::kFormat, WriterConfig::kVideo, WriterConfig::kAudio};

std::filesystem::path fsPath(const QString& s) {
    return std::filesystem::path(s.toStdU16String());
}

bool sameFile(const QString& a, const QString& b) {
    std::error_code ec;
    if (std::filesystem::equivalent(fsPath(a), fsPath(b), ec))
        return true;
    return std::filesystem::weakly_canonical(fsPath(a), ec) ==
           std::filesystem::weakly_canonical(fsPath(b), ec);
}

// A source that tells its range (a file source, not a mere feeder of pictures).
bool offersRange(IMObject* source) {
    IMUnknown* file = source->QueryInterface(IMFile::IID);
    if (file)
        file->Release();
    return file != nullptr;
}

// The source's channel map ("object::audio_channels"), every channel on its own output when none is set.
std::vector<int> channelMapOf(IMUnknown& source) {
    ChannelMap map = identityChannelMap();
    if (IMUnknown* view = source.QueryInterface(IMProps::IID)) {
        MRef<IMProps> props = MRef<IMProps>::adopt(static_cast<IMProps*>(view));
        QString text;
        if (props->GetProp(QStringLiteral("object::audio_channels"), text) == kOk)
            map = parseChannelMap(text).value_or(map);
    }
    return {map.begin(), map.end()};
}

} // namespace

FileWriter::FileWriter() = default;
// A writer let go of while its file is finishing waits for it: the export is not lost.
FileWriter::~FileWriter() {
    closeRecording();
}

void FileWriter::setOutcome(bool ok, const QString& text) {
    ok_ = ok;
    outcome_ = text;
}

int FileWriter::SetTarget(const QString& fileName, const QString& params) {
    // A new target ends the recording in progress before the source moves on to the next job; its
    // outcome is told until the next recording starts.
    closeRecording();
    const QString error =
        fileName.trimmed().isEmpty() ? texts::noTargetName() : config_.apply(params, fileName);
    if (!error.isEmpty()) {
        // The refusal is the outcome now told; the earlier recording still finishes.
        retireRecording();
        target_.reset();
        setOutcome(false, error);
        return kInvalidArg;
    }
    target_ = Target{fileName, config_.settings()};
    return kOk;
}

int FileWriter::GetRecordingResult(int& ok, QString& text) {
    if (recording_ && recording_->done()) {
        const RecordingOutcome result = recording_->outcome();
        setOutcome(result.ok, result.text);
    } else if (recording_) {
        // A failure is told at once, before the job closes the writer.
        const QString error = recording_->error();
        setOutcome(false, error.isEmpty() ? texts::recordingInProgress() : error);
    }
    ok = ok_ ? 1 : 0;
    text = outcome_;
    return kOk;
}

int FileWriter::GetRecordingProgress(int& stage, double& fraction) {
    takeRangeFromSource();
    stage = 0;
    fraction = 0;
    if (!recording_ || recording_->done())
        return kOk;
    if (!source_) {
        stage = 2;
        fraction = recording_->finishedFraction();
        return kOk;
    }
    stage = 1;
    double in = 0;
    const double end = rangeEnd(in);
    if (end > in)
        fraction = std::clamp((recording_->lastPosition() - in) / (end - in), 0.0, 1.0);
    return kOk;
}

double FileWriter::rangeEnd(double& in) const {
    double out = 0, duration = 0;
    if (!sourceFile_ || sourceFile_->GetInOut(in, out, duration) != kOk)
        return 0;
    return out > in ? out : duration;
}

int FileWriter::AbandonRecording() {
    if (recording_) {
        recording_->abandon();
        closeRecording();
    }
    for (auto& earlier : retired_)
        earlier->abandon();
    return kOk;
}

int FileWriter::StartFrom(IMObject* source) {
    retireRecording();
    if (!target_) {
        // Keeps the reason a SetTarget gave, if any.
        setOutcome(false, ok_ || outcome_.isEmpty() ? texts::noUsableTarget() : outcome_);
        return kInvalidArg;
    }
    setOutcome(false, QString());
    IMUnknown* hubView = source ? source->QueryInterface(ISourceHub::IID) : nullptr;
    if (!hubView) {
        setOutcome(false, texts::writerNeedsFileSource());
        return kInvalidArg;
    }
    MRef<ISourceHub> hub = MRef<ISourceHub>::adopt(static_cast<ISourceHub*>(hubView));
    const QString clip = hub->openedPath();
    if (!clip.isEmpty() && sameFile(clip, target_->fileName)) {
        setOutcome(false, texts::targetIsPlayedClip(target_->fileName));
        return kInvalidArg;
    }
    int sourceState = 0;
    source->GetState(sourceState);
    const WriterSettings& settings = target_->settings;
    if (settings.copyVideo) {
        if (clip.isEmpty() && !offersRange(source)) {
            setOutcome(false, texts::onlyClipFilesCopied());
            return kInvalidArg;
        }
        // "audio=copy" keeps the clip's own audio streams as recorded, cut at the sample, without the
        // channel map. An audio encoder gets the routed sound of the source, encoded as a recording
        // encodes it (same channels, downmix and attributes).
        std::unique_ptr<AudioEncoder> sound;
        if (!settings.copyAudio && settings.audio) {
            QString error;
            sound = AudioEncoder::open(settings.audio, settings.audioOptions,
                                       settings.format->muxer->flags & AVFMT_GLOBALHEADER, error);
            if (!sound) {
                setOutcome(false, error);
                return kFail;
            }
        }
        // A file source tells its clip, range and channel map: nothing needs playing, the pictures are
        // copied and the sound read from the clip.
        if (offersRange(source)) {
            auto copy = std::make_unique<CopyExport>(CutRequest{clip, target_->fileName, settings.format->muxer},
                                                     false, sourceState, settings.copyAudio, std::move(sound));
            rangeWanted_ = copy.get();
            recording_ = std::move(copy);
            attach(hub, source, false);
            takeRangeFromSource();
            return kOk;
        }
        recording_ = std::make_unique<CopyExport>(
            CutRequest{clip, target_->fileName, settings.format->muxer, 0, 0},
            props_.value("rate_control") == u"true", sourceState, settings.copyAudio, std::move(sound));
        attach(hub, source);
        return kOk;
    }
    RecorderSetup setup{target_->fileName, target_->settings, props_.value("rate_control") == u"true",
                        sourceState};
    auto recorder = std::make_unique<Recorder>(setup);
    if (QString error = recorder->open(); !error.isEmpty()) {
        setOutcome(false, error);
        return kFail;
    }
    recording_ = std::move(recorder);
    attach(hub, source);
    return kOk;
}

void FileWriter::attach(const MRef<ISourceHub>& hub, IMObject* source, bool asSink) {
    source_ = hub;
    IMUnknown* file = source->QueryInterface(IMFile::IID);
    sourceFile_ = file ? MRef<IMFile>::adopt(static_cast<IMFile*>(file)) : MRef<IMFile>();
    sinkAdded_ = asSink;
    if (asSink)
        hub->addSink(recording_.get());
}

void FileWriter::takeRangeFromSource() {
    if (!rangeWanted_ || !source_ || !sourceFile_)
        return;
    const QString clip = source_->openedPath();
    double in = 0, out = 0, duration = 0;
    sourceFile_->GetInOut(in, out, duration);
    if (clip.isEmpty() || duration <= 0)
        return; // not open yet
    if (sameFile(clip, target_->fileName))
        rangeWanted_->refuse(texts::targetIsPlayedClip(target_->fileName));
    rangeWanted_->takeRange(clip, in, out, channelMapOf(*source_));
    rangeWanted_ = nullptr;
    sourceFile_->StopFile(0.0);
}

void FileWriter::closeRecording() {
    if (!recording_)
        return;
    takeRangeFromSource();
    rangeWanted_ = nullptr;
    if (source_) {
        if (sinkAdded_)
            source_->removeSink(recording_.get());
        source_.reset();
        sourceFile_.reset();
    }
    recording_->end();
}

void FileWriter::retireRecording() {
    closeRecording();
    std::erase_if(retired_, [](const auto& earlier) { return earlier->done(); });
    if (recording_ && !recording_->done())
        retired_.push_back(std::move(recording_));
    recording_.reset();
}

int FileWriter::CloseObject() {
    closeRecording();
    return kOk;
}

int FileWriter::GetState(int& state) {
    takeRangeFromSource();
    state = source_ && recording_->error().isEmpty() ? 3 : 1;
    return kOk;
}

int FileWriter::SetProp(const QString& name, const QString& value) {
    props_[name] = value;
    return kOk;
}

int FileWriter::GetProp(const QString& name, QString& value) {
    if (!props_.contains(name))
        return kInvalidArg;
    value = props_.value(name);
    return kOk;
}

const std::vector<AttributeDef>& FileWriter::defs() const {
    defs_.clear();
    for (const QString& option : kOptions) {
        QStringList choices;
        for (int i = 0; i < config_.choiceCount(option); ++i)
            choices << config_.choiceName(option, i);
        AttributeDef& def = defs_.emplace_back();
        def.name = option;
        def.help = option == WriterConfig::kFormat  ? texts::formatChoiceHelp()
                   : option == WriterConfig::kVideo ? texts::videoChoiceHelp()
                                                    : texts::audioChoiceHelp();
        def.type = QStringLiteral("option_fixed");
        def.defaultValue = choices.value(0); // a new format starts with its first encoder
        def.namedValues = choices.join(u',');
    }
    return defs_;
}

int FileWriter::store(const AttributeDef& def, const QString& value) {
    return config_.select(def.name, value) ? kOk : kInvalidArg;
}

QString FileWriter::valueOf(const AttributeDef& def) const {
    return config_.selected(def.name);
}

bool FileWriter::flagOf(const AttributeDef& def) const {
    return !config_.selected(def.name).isEmpty();
}

int FileWriter::GetChoiceCount(const QString& option, int& count) {
    const int n = config_.choiceCount(option);
    if (n < 0)
        return kInvalidArg;
    count = n;
    return kOk;
}

int FileWriter::GetChoiceName(const QString& option, int index, QString& name) {
    if (index < 0 || index >= config_.choiceCount(option))
        return kInvalidArg;
    name = config_.choiceName(option, index);
    return kOk;
}

int FileWriter::SelectChoice(const QString& option, const QString& name, MRef<IMAttributes>& attributes) {
    if (!config_.select(option, name))
        return kInvalidArg;
    attributes = MRef<IMAttributes>::share(config_.attributes(option).get());
    return kOk;
}

int FileWriter::GetSelectedChoice(const QString& option, QString& name, MRef<IMAttributes>& attributes) {
    auto list = config_.attributes(option);
    if (!list)
        return kInvalidArg;
    name = config_.selected(option);
    attributes = MRef<IMAttributes>::share(list.get());
    return kOk;
}

int FileWriter::GetParamText(int, QString& text) {
    text = config_.paramText();
    return kOk;
}

MRef<IMUnknown> makeFileWriter() {
    return makeObject<FileWriter>();
}

} // namespace engine::ff
