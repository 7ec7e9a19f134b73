#include "source/FileSource.h"

#include <QStringList>
#include <cmath>

#include "audio/ChannelMap.h"
#include "core/ObjectMakers.h"
#include "source/ColorBars.h"
#include "source/MediaFile.h"

namespace engine::ff {
namespace {
const QString kColorBars = QStringLiteral("ColorBars-HD");
// A pacing consumer that joins a play run this soon after PlayFile gets the run from its start.
constexpr auto kReplayWindow = std::chrono::seconds(5);

bool isTrue(const QString& v) {
    const QString t = v.trimmed().toLower();
    return t == QLatin1String("true") || t == QLatin1String("1") || t == QLatin1String("yes");
}

} // namespace

FileSource::FileSource(ByteSourceDecorator decorate) : decorate_(std::move(decorate)) {
    const ChannelMap identity = identityChannelMap();
    core_.channelMap.assign(identity.begin(), identity.end());
}

FileSource::~FileSource() {
    {
        std::lock_guard lk(core_.m);
        abandonOpenLocked();
    }
    opener_.reset(); // what is still queued gives up at once
    stopPipeline();
}

uint64_t FileSource::abandonOpenLocked() {
    core_.quit = true; // the running pipeline stops; the next job joins it
    core_.wakeWorker.notify_all();
    core_.wakePresenter.notify_all();
    opening_ = false;
    return openGeneration_.fetch_add(1) + 1;
}

bool FileSource::superseded(uint64_t generation) const {
    return openGeneration_.load() != generation;
}

void FileSource::stopPipeline() {
    {
        std::lock_guard lk(core_.m);
        core_.quit = true;
        core_.wakeWorker.notify_all();
        core_.wakePresenter.notify_all();
    }
    presenter_.reset();
    worker_.reset();
    clip_.reset();
    std::lock_guard lk(core_.m);
    core_.quit = false;
    core_.frames.clear();
    core_.seekPreview.reset();
    core_.onScreen.reset();
    core_.ring.clear();
    core_.keys.clear();
    core_.picturesDecoded = 0;
    core_.audio.clear();
    core_.videoPackets.clear();
    core_.audioPackets.clear();
}

int FileSource::OpenName(const QString& name, const QString& params) {
    if (closed_)
        return kClosed;
    for (const QString& pair : params.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const qsizetype eq = pair.indexOf(QLatin1Char('='));
        if (eq > 0 && pair.left(eq) == QLatin1String("loop"))
            SetProp(pair.left(eq), pair.mid(eq + 1));
    }
    uint64_t generation = 0;
    {
        std::lock_guard lk(core_.m);
        generation = abandonOpenLocked();
        opening_ = !name.isEmpty();
        // Until the open ends: stopped at 0, and what is asked meanwhile applies to the clip once open.
        core_.state = name.isEmpty() ? kStateClosed : kStateStopped;
        core_.in = core_.out = 0;
        core_.position = core_.duration = core_.target = 0;
        core_.info = MediaInfo{};
        core_.lastError.clear();
        path_ = name == kColorBars ? QString() : name;
    }
    opener_->post([this, generation, name] {
        if (name.isEmpty())
            closeJob(generation);
        else
            openJob(generation, name);
    });
    return kOk;
}

void FileSource::openJob(uint64_t generation, const QString& name) {
    stopPipeline();
    if (superseded(generation))
        return;
    std::unique_ptr<MediaReader> reader;
    std::unique_ptr<MediaFile> file;
    QString error;
    if (name == kColorBars)
        reader = std::make_unique<ColorBarsReader>();
    else
        file = MediaFile::open(name, decorate_, error, [this, generation] { return superseded(generation); });
    {
        std::lock_guard lk(core_.m);
        if (superseded(generation))
            return;
        opening_ = false;
        if (!reader && !file) {
            core_.state = kStateClosed;
            core_.lastError = error;
            path_.clear();
        } else {
            core_.info = reader ? reader->info() : file->info();
            core_.duration = core_.info.duration;
            core_.position = framePositionLocked(core_.target);
            if (file)
                core_.keys.seedFromIndex(file->indexedKeys().times, file->indexedKeys().complete);
            core_.session.fetch_add(1);
        }
    }
    if (!reader && !file) {
        sinks_.deliverState(kStateClosed, true);
        return;
    }
    if (reader)
        worker_ = std::make_unique<DecodeWorker>(core_, std::move(reader));
    else
        clip_ = std::make_unique<ClipPipeline>(core_, std::move(file));
    presenter_ = std::make_unique<Presenter>(core_, sinks_);
}

void FileSource::closeJob(uint64_t generation) {
    stopPipeline();
    if (!superseded(generation))
        sinks_.deliverState(kStateClosed, true);
}

int FileSource::SetInOut(double in, double out) {
    if (closed_)
        return kClosed;
    if (std::isnan(in) || std::isnan(out))
        return kInvalidArg;
    std::lock_guard lk(core_.m);
    core_.in = std::max(0.0, in);
    core_.out = out > core_.in ? out : 0;
    core_.wakePresenter.notify_all();
    return kOk;
}

int FileSource::GetInOut(double& in, double& out, double& duration) {
    if (closed_)
        return kClosed;
    std::lock_guard lk(core_.m);
    in = core_.in;
    out = core_.out;
    duration = core_.info.endless ? 0 : core_.duration;
    return kOk;
}

int FileSource::SetPosition(double position, double) {
    if (closed_)
        return kClosed;
    if (std::isnan(position))
        return kInvalidArg;
    std::lock_guard lk(core_.m);
    if (core_.state == kStateClosed)
        return kNotOpen;
    const double target = std::max(0.0, position);
    core_.seekLocked(target);
    core_.position = framePositionLocked(target);
    return kOk;
}

// The start of the frame about to be shown for `target`: what the position reads until it is shown.
double FileSource::framePositionLocked(double target) const {
    const double dur = core_.info.frameDuration;
    double index = std::floor(target / dur + 0.01);
    if (core_.duration > 0 && !core_.info.endless)
        index = std::min(index, std::ceil(core_.duration / dur - 0.01) - 1);
    return std::max(0.0, index * dur);
}

int FileSource::GetPosition(double& position) {
    if (closed_)
        return kClosed;
    std::lock_guard lk(core_.m);
    position = core_.position;
    return kOk;
}

int FileSource::setState(int state) {
    if (closed_)
        return kClosed;
    std::lock_guard lk(core_.m);
    if (core_.state == kStateClosed)
        return kNotOpen;
    if (state == kStateRunning) {
        core_.runStart = core_.position;
        core_.runStartedAt = std::chrono::steady_clock::now();
        core_.runAdvanced = false;
    }
    core_.state = state;
    core_.wakePresenter.notify_all();
    core_.wakeWorker.notify_all();
    return kOk;
}

int FileSource::PlayFile() {
    return setState(kStateRunning);
}
int FileSource::PauseFile(double) {
    return setState(kStatePaused);
}
int FileSource::StopFile(double) {
    return setState(kStateStopped);
}

int FileSource::SetRate(double rate) {
    if (closed_)
        return kClosed;
    if (!(rate > 0) || rate > 64)
        return kInvalidArg;
    std::lock_guard lk(core_.m);
    core_.rate = rate;
    core_.wakePresenter.notify_all();
    return kOk;
}

int FileSource::StartFrom(IMObject*) {
    return closed_ ? kClosed : kNotSupported;
}

int FileSource::CloseObject() {
    if (closed_)
        return kOk;
    uint64_t generation = 0;
    {
        std::lock_guard lk(core_.m);
        generation = abandonOpenLocked();
        core_.state = kStateClosed;
        core_.position = core_.duration = 0;
        path_.clear();
    }
    opener_->post([this, generation] { closeJob(generation); });
    plugins_.clear();
    closed_ = true;
    return kOk;
}

int FileSource::GetState(int& state) {
    std::lock_guard lk(core_.m);
    state = core_.state;
    return kOk;
}

void FileSource::applyPropLocked(const QString& name, const QString& value) {
    if (name == QLatin1String("loop"))
        core_.loop = isTrue(value);
    else if (name == QLatin1String("eof_stop"))
        core_.eofStop = isTrue(value);
    else if (name == QLatin1String("preview.drop_frames"))
        core_.dropFrames = isTrue(value);
    else if (name == QLatin1String("object::audio_channels")) {
        if (const auto map = parseChannelMap(value))
            core_.channelMap.assign(map->begin(), map->end());
    }
    core_.wakePresenter.notify_all();
}

int FileSource::SetProp(const QString& name, const QString& value) {
    if (closed_)
        return kClosed;
    props_.set(name, value);
    std::lock_guard lk(core_.m);
    applyPropLocked(name, value);
    return kOk;
}

int FileSource::GetProp(const QString& name, QString& value) {
    if (closed_)
        return kClosed;
    if (name == QLatin1String("last_error") || name == QLatin1String("opening") ||
        name == QLatin1String("pictures_decoded")) {
        std::lock_guard lk(core_.m);
        if (name == QLatin1String("opening"))
            value = QLatin1String(opening_ ? "true" : "false");
        else if (name == QLatin1String("pictures_decoded"))
            value = QString::number(core_.picturesDecoded);
        else
            value = core_.lastError;
        return kOk;
    }
    return props_.get(name, value);
}

int FileSource::CountPlugins(int& count) {
    if (closed_)
        return kClosed;
    count = int(plugins_.size());
    return kOk;
}

int FileSource::GetPluginAt(int index, MRef<IMUnknown>& plugin, int& ignored) {
    if (closed_)
        return kClosed;
    if (index < 0 || index >= int(plugins_.size()))
        return kInvalidArg;
    plugin = plugins_[size_t(index)];
    ignored = 0;
    return kOk;
}

int FileSource::AttachPlugin(IMUnknown* plugin, void*) {
    if (closed_)
        return kClosed;
    if (!plugin)
        return kInvalidArg;
    plugins_.push_back(MRef<IMUnknown>::share(plugin));
    pluginsChanged();
    return kOk;
}

void FileSource::pluginsChanged() {
    bool captions = false;
    for (const auto& p : plugins_)
        if (IMUnknown* view = p->QueryInterface(IMCaptionPlugin::IID)) {
            view->Release();
            captions = true;
        }
    std::lock_guard lk(core_.m);
    if (core_.captions == captions)
        return;
    core_.captions = captions;
    // Pictures already decoded lack (or carry) captions: decode again from the picture shown.
    core_.ring.clear();
    if (core_.state != kStateClosed)
        core_.seekLocked(core_.position);
}

int FileSource::DetachPlugin(IMUnknown* plugin) {
    if (closed_)
        return kClosed;
    const auto n = std::erase_if(plugins_, [&](const MRef<IMUnknown>& p) { return p.get() == plugin; });
    if (n)
        pluginsChanged();
    return n ? kOk : kInvalidArg;
}

void FileSource::addSink(IMediaSink* sink) {
    if (!sink)
        return;
    int state = kStateClosed;
    {
        std::lock_guard lk(core_.m);
        state = core_.state;
    }
    sinks_.add(sink, state, [&](uint64_t lastSession, uint64_t& from) {
        std::lock_guard lk(core_.m);
        from = core_.session.load();
        const bool replay = sink->pacesSource() && core_.state == kStateRunning && core_.runAdvanced &&
                            std::chrono::steady_clock::now() - core_.runStartedAt < kReplayWindow;
        if (replay) { // the run already moved on: start it over so the pacing sink gets all of it
            core_.seekLocked(core_.runStart);
            core_.runAdvanced = false;
            from = core_.session.load();
            return false;
        }
        return lastSession == core_.session.load() && core_.state != kStateClosed;
    });
}

void FileSource::removeSink(IMediaSink* sink) {
    sinks_.remove(sink, soundOwnerChanged());
}

void FileSource::setSoundWanted(IMediaSink* sink, bool wanted) {
    sinks_.setSoundWanted(sink, wanted, soundOwnerChanged());
}

SinkSet::OwnerChanged FileSource::soundOwnerChanged() {
    return [this](IAudioClock* clock) {
        std::lock_guard lk(core_.m);
        core_.audioClock = clock;
        core_.soundOwnerChanged = true;
        core_.wakePresenter.notify_all();
    };
}

QString FileSource::openedPath() const {
    std::lock_guard lk(core_.m);
    return path_;
}

double FileSource::playbackRate() const {
    std::lock_guard lk(core_.m);
    return core_.rate;
}

MRef<IMUnknown> makeFileSource(ByteSourceDecorator decorate) {
    return makeObject<FileSource>(std::move(decorate));
}

} // namespace engine::ff
