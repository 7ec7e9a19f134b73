#include "render/PreviewRenderer.h"

#include <QPainter>
#include <chrono>
#include <array>

#include "audio/SdlAudioDevice.h"
#include "captions/CaptionPainter.h"
#include "core/ObjectMakers.h"
#include "display/FullScreenOutput.h"

namespace engine::ff {
namespace {
// How often the render thread looks for a surface whose size changed.
constexpr std::chrono::milliseconds kResizeCheck{100};

std::unique_ptr<AudioDevice> makeAudioDevice(const AudioDeviceFactory& given) {
    if (given)
        return given();
    return std::make_unique<SdlAudioDevice>();
}
} // namespace

PreviewRenderer::PreviewRenderer(AudioDeviceFactory makeDevice)
    : audio_(makeAudioDevice(makeDevice)), meter_(AudioBlock::kOutputChannels) {
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
    if (hub_ && !audioOn_)
        hub_->setSoundWanted(this, false);
    if (audioOn_)
        audio_.start(); // no device: it plays silently, never an error
    else
        audio_.stop();
    if (hub_ && audioOn_)
        hub_->setSoundWanted(this, true);
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
    hub_ = MRef<ISourceHub>::adopt(view);
    hub_->addSink(this);
    if (audioOn_)
        hub_->setSoundWanted(this, true);
    return kOk;
}

void PreviewRenderer::detach() {
    if (!hub_)
        return;
    hub_->removeSink(this);
    hub_.reset();
    audio_.flush();
    std::lock_guard lk(m_);
    frame_.reset();
    dirty_ = true;
    wake_.notify_all();
}

int PreviewRenderer::CloseObject() {
    if (closed_)
        return kOk;
    detach();
    stopThread();
    audio_.stop();
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
    frame_ = frame;
    dirty_ = true;
    wake_.notify_all();
}

void PreviewRenderer::onAudio(const AudioHandle& block) {
    meter_.add(block->samples.data(), block->frames(), block->sampleRate);
}

void PreviewRenderer::onSoundFlush() {
    audio_.flush();
    if (tempo_)
        tempo_->reset();
}

void PreviewRenderer::onSound(const AudioHandle& block) {
    if (block->rate == 1.0)
        return audio_.play(*block);
    // Faster playback is heard at its own pitch: the block is tempo-scaled before the device.
    if (!tempo_)
        tempo_ = std::make_unique<TempoScaler>(block->channels, block->sampleRate);
    if (tempo_->rate() != block->rate)
        tempo_->setRate(block->rate);
    AudioBlock scaled;
    scaled.position = block->position;
    scaled.rate = block->rate;
    scaled.sampleRate = block->sampleRate;
    scaled.channels = block->channels;
    tempo_->process(block->samples.data(), block->frames(), scaled.samples);
    if (scaled.frames() > 0)
        audio_.play(scaled);
}

void PreviewRenderer::onSourceState(int state, bool discontinuity) {
    if (discontinuity) {
        audio_.flush();
        if (tempo_)
            tempo_->reset();
    }
    audio_.setPaused(state != 3);
    if (state != 0)
        return;
    meter_.reset();
    std::lock_guard lk(m_);
    frame_.reset();
    dirty_ = true;
    wake_.notify_all();
}

QImage PreviewRenderer::draw(const FrameHandle& frame, const Look& look, QSize size) {
    if (!frame || !frame->frame)
        return FrameCompositor::black(size);
    QRect area;
    const auto fields = frame->interlaced ? look.fields : FrameCompositor::Fields::Both;
    QImage img = compositor_.compose(*frame->frame, frame->sampleAspect, size, look.letterBox, fields,
                                     frame->topFieldFirst, area);
    const bool captions = frame->caption && !frame->caption->empty();
    if (look.vu || captions) {
        QPainter p(&img);
        if (captions)
            drawCaptions(p, area, *frame->caption);
        if (look.vu)
            drawVuOverlay(p, area, meter_.levels(), look.vuOptions);
    }
    return img;
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
        if (!wake_.wait_for(lk, kResizeCheck, [&] { return quit_ || dirty_; })) {
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
