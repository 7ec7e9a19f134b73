#include "writer/Recorder.h"

#include <QDir>

#include "engine/OperatorTexts.h"
#include "writer/EncodeSession.h"

namespace engine::ff {

Recorder::Recorder(RecorderSetup setup) : setup_(std::move(setup)), sourceRunning_(setup_.sourceState == 3) {}

Recorder::~Recorder() {
    end();
    if (thread_.joinable())
        thread_.join();
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
    if (ended_ || failed_ || abandoned())
        return;
    const bool picture = std::holds_alternative<FrameHandle>(item);
    if (picture) {
        roomFree_.wait(
            lock, [&] { return queuedPictures_ < kMaxQueuedPictures || failed_ || ended_ || abandoned(); });
        if (failed_ || ended_ || abandoned())
            return;
        ++queuedPictures_;
        ++picturesTaken_;
        lastPosition_ = std::get<FrameHandle>(item)->position;
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
        if (!isEnd && (failed() || abandoned()))
            continue; // already reported; keep draining so the source never waits
        QString error;
        if (auto* frame = std::get_if<FrameHandle>(&item)) {
            error = session_->video(*frame);
        } else if (auto* block = std::get_if<AudioHandle>(&item)) {
            error = session_->audio(*block);
        } else if (std::holds_alternative<Discontinuity>(item)) {
            session_->discontinuity();
        } else {
            if (!failed() && !abandoned())
                error = session_->finish([this] { return abandoned(); });
            if (!error.isEmpty())
                fail(error);
            conclude(finish());
            return;
        }
        if (!error.isEmpty()) {
            session_->abandon();
            fail(error);
        }
        updateFinishedFraction();
    }
}

void Recorder::updateFinishedFraction() {
    std::lock_guard lock(mutex_);
    if (ended_ && picturesTaken_ > 0)
        finished_ = std::min(0.99, double(session_->frames()) / double(picturesTaken_));
}

void Recorder::endOnce() {
    std::lock_guard lock(mutex_);
    if (!thread_.joinable()) {
        conclude({false, error_});
        return;
    }
    ended_ = true;
    queue_.push_back(End{});
    itemReady_.notify_one();
    roomFree_.notify_all();
}

// On the recorder's thread, once the session has finished or failed.
RecordingOutcome Recorder::finish() {
    session_->abandon(); // nothing left behind unless the session put the file in place
    std::lock_guard lock(mutex_);
    if (failed_)
        return {false, error_};
    return {true, texts::wroteFrames(session_->frames(), session_->seconds(),
                                     QDir::toNativeSeparators(setup_.target))};
}

} // namespace engine::ff
