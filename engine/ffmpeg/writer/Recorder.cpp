#include "writer/Recorder.h"

#include <QDir>

#include "writer/EncodeSession.h"

namespace engine::ff {

Recorder::Recorder(RecorderSetup setup) : setup_(std::move(setup)), sourceRunning_(setup_.sourceState == 3) {}

Recorder::~Recorder() {
    if (thread_.joinable())
        finish();
}

QString Recorder::open() {
    QString error;
    auto file = OutputFile::create(setup_.target, setup_.settings.format->muxer, error);
    if (!file)
        return error;
    session_ = std::make_unique<EncodeSession>(setup_.settings, std::move(file));
    thread_ = std::thread([this] { run(); });
    return {};
}

bool Recorder::failed() const {
    std::lock_guard lock(mutex_);
    return failed_;
}

QString Recorder::error() const {
    std::lock_guard lock(mutex_);
    return error_;
}

void Recorder::push(Item item) {
    std::unique_lock lock(mutex_);
    if (ended_ || failed_)
        return;
    const bool picture = std::holds_alternative<FrameHandle>(item);
    if (picture) {
        roomFree_.wait(lock, [&] { return queuedPictures_ < kMaxQueuedPictures || failed_ || ended_; });
        if (failed_ || ended_)
            return;
        ++queuedPictures_;
    }
    queue_.push_back(std::move(item));
    itemReady_.notify_one();
}

void Recorder::onVideo(const FrameHandle& frame) {
    if (!frame || !frame->frame)
        return;
    {
        std::lock_guard lock(mutex_);
        // The picture shown at the start, then each new one while the source runs.
        if (tookFirst_ && (!sourceRunning_ || frame->index == lastIndex_))
            return;
        tookFirst_ = true;
        lastIndex_ = frame->index;
    }
    push(frame);
}

void Recorder::onAudio(const AudioHandle& block) {
    if (block)
        push(block);
}

void Recorder::onSourceState(int state, bool discontinuity) {
    bool anchorAgain = false;
    {
        std::lock_guard lock(mutex_);
        sourceRunning_ = state == 3;
        anchorAgain = discontinuity && tookFirst_;
        if (discontinuity)
            lastIndex_ = -1;
    }
    if (anchorAgain)
        push(Discontinuity{});
}

void Recorder::fail(const QString& error) {
    std::lock_guard lock(mutex_);
    if (failed_)
        return;
    failed_ = true;
    error_ = error;
    roomFree_.notify_all();
}

void Recorder::run() {
    while (true) {
        Item item;
        {
            std::unique_lock lock(mutex_);
            itemReady_.wait(lock, [&] { return !queue_.empty(); });
            item = std::move(queue_.front());
            queue_.pop_front();
            if (std::holds_alternative<FrameHandle>(item)) {
                --queuedPictures_;
                roomFree_.notify_all();
            }
        }
        const bool isEnd = std::holds_alternative<End>(item);
        if (!isEnd && failed())
            continue; // already reported; keep draining so the source never waits
        QString error;
        if (auto* frame = std::get_if<FrameHandle>(&item)) {
            error = session_->video(*frame);
        } else if (auto* block = std::get_if<AudioHandle>(&item)) {
            error = session_->audio(*block);
        } else if (std::holds_alternative<Discontinuity>(item)) {
            session_->discontinuity();
        } else {
            if (!failed())
                error = session_->finish();
            if (!error.isEmpty())
                fail(error);
            return;
        }
        if (!error.isEmpty()) {
            session_->abandon();
            fail(error);
        }
    }
}

RecordingOutcome Recorder::finish() {
    if (!thread_.joinable())
        return {false, error_};
    {
        std::lock_guard lock(mutex_);
        ended_ = true;
        queue_.push_back(End{});
        itemReady_.notify_one();
        roomFree_.notify_all();
    }
    thread_.join();
    session_->abandon(); // nothing left behind unless finish() put the file in place
    std::lock_guard lock(mutex_);
    if (failed_)
        return {false, error_};
    return {true, QStringLiteral("Wrote %1 frames (%2 s) to %3")
                      .arg(session_->frames())
                      .arg(session_->seconds(), 0, 'f', 3)
                      .arg(QDir::toNativeSeparators(setup_.target))};
}

} // namespace engine::ff
