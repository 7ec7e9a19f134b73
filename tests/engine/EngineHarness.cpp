#include "EngineHarness.h"

#include <QDateTime>
#include <QFile>

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <thread>

#include "engine_ffmpeg/FfmpegEngine.h"

using namespace engine;

namespace enginetest {

QSize TestSurface::surfaceSize() const {
    std::lock_guard lk(m_);
    return size_;
}

void TestSurface::resize(QSize size) {
    std::lock_guard lk(m_);
    size_ = size;
}

void TestSurface::presentImage(const QImage& image) {
    std::lock_guard lk(m_);
    last_ = image.copy();
    ++count_;
    codes_.push_back(samples::readFrameCode(last_));
    cv_.notify_all();
}

QImage TestSurface::last() const {
    std::lock_guard lk(m_);
    return last_;
}

int TestSurface::presented() const {
    std::lock_guard lk(m_);
    return count_;
}

std::vector<int64_t> TestSurface::codesShown() const {
    std::lock_guard lk(m_);
    return codes_;
}

int64_t TestSurface::code() const {
    const QImage img = last();
    return img.isNull() ? -1 : samples::readFrameCode(img);
}

bool TestSurface::waitFor(const std::function<bool(const QImage&)>& pred, int ms) const {
    std::unique_lock lk(m_);
    return cv_.wait_for(lk, std::chrono::milliseconds(ms), [&] { return !last_.isNull() && pred(last_); });
}

bool TestSurface::waitForCode(int64_t code, int ms) const {
    return waitFor([&](const QImage& img) { return samples::readFrameCode(img) == code; }, ms);
}

bool eventually(const std::function<bool()>& pred, int ms) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < end) {
        if (pred())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return pred();
}

QString clip(const QString& fileName, const std::function<void(samples::ClipRecipe&)>& adjust) {
    static QTemporaryDir dir;
    const QString path = dir.filePath(fileName);
    if (!QFileInfo::exists(path)) {
        samples::ClipRecipe recipe;
        recipe.path = path;
        recipe.frames = 60;
        if (adjust)
            adjust(recipe);
        samples::writeSampleClip(recipe);
        // A finished recording, not one the ingest may still be writing (an MPEG-TS file written in
        // the last 30 s counts as growing and is waited for at its end).
        QFile file(path);
        if (file.open(QIODevice::ReadWrite))
            file.setFileTime(QDateTime::currentDateTime().addSecs(-3600), QFileDevice::FileModificationTime);
    }
    return path;
}

Engine::Engine(ff::ByteSourceDecorator decorate) : factory(ff::makeFfmpegEngine(std::move(decorate))) {}

MRef<IMFile> Engine::source() {
    return create<IMFile>(*factory, CLSID_FileSource);
}

MRef<IMPreview> Engine::renderer(const MRef<IMFile>& source, TestSurface& surface) {
    auto r = create<IMPreview>(*factory, CLSID_PreviewRenderer);
    r->SetWindow({}, &surface);
    query<IMObject>(r)->StartFrom(query<IMObject>(source).get());
    return r;
}

int stateOf(const MRef<IMFile>& source) {
    int s = -1;
    query<IMObject>(source)->GetState(s);
    return s;
}

double positionOf(const MRef<IMFile>& source) {
    double p = -1;
    source->GetPosition(p);
    return p;
}

double durationOf(const MRef<IMFile>& source) {
    double in = 0, out = 0, d = -1;
    source->GetInOut(in, out, d);
    return d;
}

bool openEnded(const MRef<IMFile>& source) {
    const auto props = query<IMProps>(source);
    eventually(
        [&] {
            QString opening;
            props->GetProp(QStringLiteral("opening"), opening);
            return opening == QLatin1String("false");
        },
        30000);
    return stateOf(source) != 0;
}

bool openClip(const MRef<IMFile>& source, const QString& name, const QString& params) {
    return source->OpenName(name, params) == kOk && openEnded(source);
}

} // namespace enginetest
