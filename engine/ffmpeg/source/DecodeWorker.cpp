#include "source/DecodeWorker.h"

#include <algorithm>

namespace engine::ff {
namespace {
constexpr size_t kMaxQueuedFrames = 8;
// Audio is decoded at most this far ahead while pictures are waiting (audio of a poorly interleaved
// file may run further ahead while no picture is queued, so the presenter never starves).
constexpr double kMaxQueuedAudioSeconds = 2.0;
constexpr auto kGrowthPoll = std::chrono::milliseconds(100);
} // namespace

DecodeWorker::DecodeWorker(SourceCore& core, std::unique_ptr<MediaReader> reader)
    : core_(core), reader_(std::move(reader)), session_(core.session.load()), captions_(core.captions) {
    reader_->setCaptions(captions_);
    thread_ = std::thread([this] { run(); });
}

DecodeWorker::~DecodeWorker() {
    if (thread_.joinable())
        thread_.join();
}

void DecodeWorker::newRead() {
    std::lock_guard lk(core_.m);
    ++core_.demuxSerial;
    core_.audio.clear();
}

bool DecodeWorker::aborted(uint64_t session) const {
    return core_.session.load() != session;
}

bool DecodeWorker::roomLocked() const {
    size_t pictures = 0;
    double videoEnd = 0;
    for (const auto& q : core_.frames)
        if (q.frame) {
            ++pictures;
            videoEnd = q.frame->position + q.frame->duration;
        }
    const double audioEnd = core_.audio.empty() ? -1 : core_.audio.back().block->end();
    if (pictures >= kMaxQueuedFrames) {
        // Audio stored further behind its pictures still has to come through (a pacing consumer takes
        // the audio of each picture with it).
        const bool audioBehind = core_.info.audioChannels > 0 && audioEnd < videoEnd - 0.1;
        return audioBehind && pictures < 4 * kMaxQueuedFrames;
    }
    if (pictures == 0 || core_.audio.empty())
        return true;
    return audioEnd - core_.audio.front().block->position < kMaxQueuedAudioSeconds;
}

void DecodeWorker::run() {
    std::unique_lock lk(core_.m);
    while (!core_.quit) {
        if (core_.session.load() != session_) {
            session_ = core_.session.load();
            const double target = core_.target;
            if (core_.captions != captions_)
                ring_.clear(); // its pictures lack (or carry) captions
            captions_ = core_.captions;
            reader_->setCaptions(captions_);
            lk.unlock();
            seekTo(session_, target);
            lk.lock();
            continue;
        }
        if (ended_ || !roomLocked() || (parked_ && core_.state != kStateRunning)) {
            core_.wakeWorker.wait(lk);
            continue;
        }
        const uint64_t session = session_;
        lk.unlock();
        if (parked_)
            resumeAfterParked(session);
        ReadOut out;
        const bool more = reader_->read(out);
        for (const auto& f : out.video)
            ring_.add(f);
        std::erase_if(out.video, [&](const FrameHandle& f) { return f->position <= dropUpTo_; });
        const double duration = reader_->currentDuration();
        lk.lock();
        core_.duration = std::max(core_.duration, duration);
        if (core_.session.load() != session)
            continue;
        for (auto& f : out.video)
            core_.frames.push_back({session, std::move(f)});
        for (auto& a : out.audio)
            core_.audio.push_back({core_.demuxSerial, std::move(a)});
        if (!more) {
            core_.frames.push_back({session, nullptr});
            ended_ = true;
        }
        core_.wakePresenter.notify_all();
        if (more && out.video.empty() && out.audio.empty())
            core_.wakeWorker.wait_for(lk, kGrowthPoll);
    }
}

void DecodeWorker::seekTo(uint64_t session, double target) {
    newRead();
    ended_ = false;
    parked_.reset();
    dropUpTo_ = -1e9;
    if (FrameHandle hit = ring_.find(target)) {
        std::lock_guard lk(core_.m);
        if (aborted(session))
            return;
        core_.frames.push_back({session, hit});
        core_.wakePresenter.notify_all();
        parked_ = hit;
        return;
    }
    const bool ok = reader_->seek(
        target, [&] { return aborted(session); }, [&](const FrameHandle& f) { ring_.add(f); });
    if (!ok && !aborted(session)) {
        std::lock_guard lk(core_.m);
        core_.frames.push_back({session, nullptr});
        ended_ = true;
        core_.wakePresenter.notify_all();
    }
}

void DecodeWorker::resumeAfterParked(uint64_t session) {
    const FrameHandle shown = std::exchange(parked_, nullptr);
    newRead();
    // Positioned at the shown frame itself so that its audio comes along; the picture is not repeated.
    reader_->seek(
        shown->position, [&] { return aborted(session); }, [&](const FrameHandle& f) { ring_.add(f); });
    dropUpTo_ = shown->position + frameTolerance(shown->duration);
}

} // namespace engine::ff
