#include "render/PreviewRenderer.h"

#include "core/ObjectMakers.h"

namespace engine::ff {

PreviewRenderer::PreviewRenderer() { thread_ = std::thread([this] { renderLoop(); }); }

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
    if (thread_.joinable()) thread_.join();
}

void PreviewRenderer::requestRedraw() {
    std::lock_guard lk(m_);
    dirty_ = true;
    wake_.notify_all();
}

int PreviewRenderer::EnableOutput(const QString&, int audio, int video) {
    if (closed_) return kClosed;
    std::lock_guard lk(m_);
    audioOn_ = audio != 0;
    videoOn_ = video != 0;
    dirty_ = true;
    wake_.notify_all();
    return kOk;
}

int PreviewRenderer::SetWindow(const QString&, IVideoSurface* surface) {
    if (closed_) return kClosed;
    {
        std::lock_guard lk(surfaceMutex_);
        surface_ = surface;
    }
    requestRedraw();
    return kOk;
}

int PreviewRenderer::SetFullScreen(const QString&, int, int) { return closed_ ? kClosed : kNotSupported; }

int PreviewRenderer::StartFrom(IMObject* source) {
    if (closed_) return kClosed;
    if (!source) return kInvalidArg;
    auto* view = static_cast<ISourceHub*>(source->QueryInterface(ISourceHub::IID));
    if (!view) return kInvalidArg;
    detach();
    hub_ = MRef<ISourceHub>::adopt(view);
    hub_->addSink(this);
    return kOk;
}

void PreviewRenderer::detach() {
    if (!hub_) return;
    hub_->removeSink(this);
    hub_.reset();
    std::lock_guard lk(m_);
    frame_.reset();
    dirty_ = true;
    wake_.notify_all();
}

int PreviewRenderer::CloseObject() {
    if (closed_) return kOk;
    detach();
    stopThread();
    {
        std::lock_guard lk(surfaceMutex_);
        surface_ = nullptr;
    }
    closed_ = true;
    return kOk;
}

int PreviewRenderer::GetState(int& state) {
    state = closed_ ? 0 : hub_ ? 3 : 1;
    return kOk;
}

int PreviewRenderer::SetProp(const QString& name, const QString& value) {
    if (closed_) return kClosed;
    props_[name] = value;
    if (name == QLatin1String("maintain_ar")) {
        std::lock_guard lk(m_);
        letterBox_ = value.trimmed().toLower() == QLatin1String("letter-box");
        dirty_ = true;
        wake_.notify_all();
    }
    return kOk;
}

int PreviewRenderer::GetProp(const QString& name, QString& value) {
    if (closed_) return kClosed;
    auto it = props_.find(name);
    if (it == props_.end()) return kInvalidArg;
    value = *it;
    return kOk;
}

void PreviewRenderer::onVideo(const FrameHandle& frame) {
    std::lock_guard lk(m_);
    frame_ = frame;
    dirty_ = true;
    wake_.notify_all();
}

void PreviewRenderer::onAudio(const AudioHandle&) {}

void PreviewRenderer::onSourceState(int state, bool) {
    if (state != 0) return;
    std::lock_guard lk(m_);
    frame_.reset();
    dirty_ = true;
    wake_.notify_all();
}

void PreviewRenderer::renderLoop() {
    std::unique_lock lk(m_);
    for (;;) {
        wake_.wait(lk, [&] { return quit_ || dirty_; });
        if (quit_) return;
        dirty_ = false;
        const FrameHandle frame = videoOn_ ? frame_ : nullptr;
        const bool letterBox = letterBox_;
        lk.unlock();
        {
            std::lock_guard sl(surfaceMutex_);
            if (surface_) {
                const QSize size = surface_->surfaceSize();
                if (!size.isEmpty()) {
                    QImage img = frame && frame->frame
                                     ? compositor_.compose(*frame->frame, frame->sampleAspect, size, letterBox)
                                     : FrameCompositor::black(size);
                    surface_->presentImage(img);
                }
            }
        }
        lk.lock();
    }
}

MRef<IMUnknown> makePreviewRenderer() { return makeObject<PreviewRenderer>(); }

}  // namespace engine::ff
