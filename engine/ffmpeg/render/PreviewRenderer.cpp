#include "render/PreviewRenderer.h"

#include <QPainter>
#include <array>
#include <chrono>

#include "audio/SdlAudioDevice.h"
#include "captions/CaptionPainter.h"
#include "core/ObjectMakers.h"
#include "display/FullScreenOutput.h"

namespace engine::ff {
namespace {
// How often the render thread looks for a surface whose size changed.
constexpr std::chrono::milliseconds kResizeCheck{100};
// How often the VU meter is redrawn over black while a clip without pictures plays.
constexpr std::chrono::milliseconds kMeterTick{40};

std::unique_ptr<AudioDevice> makeAudioDevice(const AudioDeviceFactory& given) {
    if (given)
        return given();
    return std::make_unique<SdlAudioDevice>();
}
} // namespace

PreviewRenderer::PreviewRenderer(AudioDeviceFactory makeDevice) : audio_(makeAudioDevice(makeDevice)) {
    thread_ = std::thread([this] { renderLoop(); });
}

PreviewRenderer::~PreviewRenderer() {
    detach();
    stopThread();
}

void PreviewRenderer::stopThread() {
    {
        std::lock_guard lk(m_);
        quit_ = true;
        wake_.notify_all();
    }
    if (thread_.joinable())
        thread_.join();
}

void PreviewRenderer::requestRedraw() {
    std::lock_guard lk(m_);
    dirty_ = true;
    wake_.notify_all();
}

int PreviewRenderer::EnableOutput(const QString&, int audio, int video) {
    if (closed_)
        return kClosed;
    audioOn_ = audio != 0;
    deviceThread_.post([this, on = audio != 0] { switchSound(on); });
    std::lock_guard lk(m_);
    videoOn_ = video != 0;
    dirty_ = true;
    wake_.notify_all();
    return kOk;
}

int PreviewRenderer::SetWindow(const QString&, IVideoSurface* surface) {
    if (closed_)
        return kClosed;
    {
        std::lock_guard lk(surfaceMutex_);
        surface_ = surface;
    }
    requestRedraw();
    return kOk;
}

int PreviewRenderer::SetFullScreen(const QString&, int on, int displayIndex) {
    if (closed_)
        return kClosed;
    // Made and destroyed here, on the caller's (UI) thread, outside the surface lock's present path.
    std::unique_ptr<FullScreenOutput> next = on ? std::make_unique<FullScreenOutput>(displayIndex) : nullptr;
    {
        std::lock_guard lk(surfaceMutex_);
        std::swap(fullScreen_, next);
    }
    next.reset();
    requestRedraw();
    return kOk;
}

int PreviewRenderer::StartFrom(IMObject* source) {
    if (closed_)
        return kClosed;
    if (!source)
        return kInvalidArg;
    auto* view = static_cast<ISourceHub*>(source->QueryInterface(ISourceHub::IID));
    if (!view)
        return kInvalidArg;
    detach();
    {
        std::lock_guard lk(hubMutex_);
        hub_ = MRef<ISourceHub>::adopt(view);
        hub_->addSink(this);
    }
    if (audioOn_)
        deviceThread_.post([this] { switchSound(true); });
    return kOk;
}

// The device thread. The device is opened before the source is told that sound is wanted (and so sends
// it), and closed after it was told otherwise.
void PreviewRenderer::switchSound(bool on) {
    if (on) {
        audio_.start(); // no device: it plays silently, never an error
        // Playing at once when the source already runs: nothing else would unpause the device.
        std::lock_guard lk(stateMutex_);
        audio_.setPaused(sourceState_ != 3);
    }
    {
        std::lock_guard lk(hubMutex_);
        if (hub_)
            hub_->setSoundWanted(this, on);
    }
    if (!on)
        audio_.stop();
}

void PreviewRenderer::detach() {
    {
        std::lock_guard lk(hubMutex_);
        if (!hub_)
            return;
        hub_->removeSink(this); // hands the sound to the next renderer that wants it, if this one had it
        hub_.reset();
    }
    audio_.flush();
    levels_.reset();
    {
        std::lock_guard lk(stateMutex_);
        sourceState_ = 0;
        audio_.setPaused(true);
    }
    std::lock_guard lk(m_);
    frame_.reset();
    sourceRunning_ = false;
    dirty_ = true;
    wake_.notify_all();
}

int PreviewRenderer::CloseObject() {
    if (closed_)
        return kOk;
    detach();
    stopThread();
    deviceThread_.post([this] { audio_.stop(); });
    {
        std::lock_guard lk(surfaceMutex_);
        surface_ = nullptr;
    }
    SetFullScreen({}, 0, 0);
    closed_ = true;
    return kOk;
}

int PreviewRenderer::GetState(int& state) {
    state = closed_ ? 0 : hub_ ? 3 : 1;
    return kOk;
}

int PreviewRenderer::SetProp(const QString& name, const QString& value) {
    if (closed_)
        return kClosed;
    props_.set(name, value);
    applyLook();
    return kOk;
}

void PreviewRenderer::applyLook() {
    Look look;
    look.letterBox = props_.value("maintain_ar").trimmed().toLower() == QLatin1String("letter-box");
    const QString deint = props_.value("deinterlace").trimmed().toLower();
    look.fields = deint == QLatin1String("top") ? FrameCompositor::Fields::Top
                  : deint == QLatin1String("1") || deint == QLatin1String("true")
                      ? FrameCompositor::Fields::First
                      : FrameCompositor::Fields::Both;
    look.vu = props_.value("overlay_rms").trimmed() == QLatin1String("1");
    look.vuOptions =
        VuOptions::fromProps(props_.value("overlay_rms.ch", "1"), props_.value("overlay_rms.pos", "0.01"),
                             props_.value("overlay_rms.color", "green"));
    std::lock_guard lk(m_);
    look_ = look;
    dirty_ = true;
    wake_.notify_all();
}

int PreviewRenderer::GetProp(const QString& name, QString& value) {
    if (closed_)
        return kClosed;
    return props_.get(name, value);
}

void PreviewRenderer::onVideo(const FrameHandle& frame) {
    std::lock_guard lk(m_);
    if (frame == frame_)
        return; // drawn already: a seek shows a picture it has as its preview, then as its frame
    frame_ = frame;
    dirty_ = true;
    wake_.notify_all();
}

void PreviewRenderer::onAudio(const AudioHandle& block) {
    levels_.add(*block);
}

void PreviewRenderer::onSoundFlush() {
    audio_.flush();
}

void PreviewRenderer::onSound(const AudioHandle& block) {
    audio_.play(*block);
}

void PreviewRenderer::onSourceState(int state, bool discontinuity) {
    if (discontinuity || state == 0) {
        audio_.flush();
        levels_.reset();
    }
    {
        std::lock_guard lk(stateMutex_);
        sourceState_ = state;
        audio_.setPaused(state != 3);
    }
    std::lock_guard lk(m_);
    if (state == 0)
        frame_.reset();
    sourceRunning_ = state == 3;
    // A clip without pictures starts or stops its meter. A picture stays as it is: drawing it again here
    // (every seek tells its state) would hold up the picture the seek brings.
    if (!frame_) {
        dirty_ = true;
        wake_.notify_all();
    }
}

QImage PreviewRenderer::draw(const FrameHandle& frame, const Look& look, QSize size) {
    if (!frame || !frame->frame)
        return drawSoundOnly(look, size);
    QRect area;
    const auto fields = frame->interlaced ? look.fields : FrameCompositor::Fields::Both;
    QImage img = compositor_.compose(*frame->frame, frame->sampleAspect, size, look.letterBox, fields,
                                     frame->topFieldFirst, area);
    const bool captions = frame->caption && !frame->caption->empty();
    if (look.vu || captions) {
        QPainter p(&img);
        if (captions)
            drawCaptions(p, area, *frame->caption);
        if (look.vu) {
            const auto levels = levels_.levelsAt(frame->position);
            drawVuOverlay(p, area, levels.value_or(std::vector<ChannelLevel>(AudioBlock::kOutputChannels)),
                          look.vuOptions);
        }
    }
    return img;
}

// No picture: black, with the meter at the playing position once there is sound to meter.
QImage PreviewRenderer::drawSoundOnly(const Look& look, QSize size) {
    QImage img = FrameCompositor::black(size);
    const auto levels = look.vu ? levels_.levelsAt(playingPosition()) : std::nullopt;
    if (levels) {
        QPainter p(&img);
        drawVuOverlay(p, img.rect(), *levels, look.vuOptions);
    }
    return img;
}

// The position heard when this renderer plays the sound, else the newest audio the source sent.
double PreviewRenderer::playingPosition() const {
    double heard = 0;
    if (audio_.playedPosition(heard))
        return heard;
    return levels_.newest().value_or(0.0);
}

std::array<IVideoSurface*, 2> PreviewRenderer::surfaces() const {
    return {surface_, fullScreen_ ? fullScreen_->surface() : nullptr};
}

// A surface with no size yet, or resized since, gets the newest picture again: a paused source sends
// nothing new, and the window (or the second display) would stay empty or show a stretched picture.
bool PreviewRenderer::surfaceResized() {
    std::lock_guard sl(surfaceMutex_);
    const auto targets = surfaces();
    for (size_t i = 0; i < targets.size(); ++i)
        if (targets[i] && targets[i]->surfaceSize() != drawnSizes_[i])
            return true;
    return false;
}

void PreviewRenderer::renderLoop() {
    std::unique_lock lk(m_);
    for (;;) {
        // A clip without pictures gets no new frame to redraw on: its meter is redrawn on a tick.
        const bool meterTicks = look_.vu && videoOn_ && !frame_ && sourceRunning_;
        if (!wake_.wait_for(lk, meterTicks ? kMeterTick : kResizeCheck, [&] { return quit_ || dirty_; }) &&
            !meterTicks) {
            lk.unlock();
            const bool resized = surfaceResized();
            lk.lock();
            if (!resized)
                continue;
        }
        if (quit_)
            return;
        dirty_ = false;
        const FrameHandle frame = videoOn_ ? frame_ : nullptr;
        const Look look = look_;
        lk.unlock();
        {
            std::lock_guard sl(surfaceMutex_);
            const auto targets = surfaces();
            for (size_t i = 0; i < targets.size(); ++i) {
                if (!targets[i])
                    continue;
                const QSize size = targets[i]->surfaceSize();
                drawnSizes_[i] = size;
                if (!size.isEmpty())
                    targets[i]->presentImage(draw(frame, look, size));
            }
        }
        lk.lock();
    }
}

MRef<IMUnknown> makePreviewRenderer() {
    return makeObject<PreviewRenderer>();
}

} // namespace engine::ff
