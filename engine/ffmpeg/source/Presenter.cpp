#include "source/Presenter.h"

#include <algorithm>
#include <cmath>

namespace engine::ff {
namespace {
using std::chrono::milliseconds;
// Audio goes to the sinks this far (in wall time) ahead of the clock, so devices never run dry.
constexpr double kAudioLeadSeconds = 0.3;
constexpr auto kPoll = milliseconds(20);
constexpr auto kAudioWaitLimit = milliseconds(1000);
} // namespace

Presenter::Presenter(SourceCore& core, SinkSet& sinks) : core_(core), sinks_(sinks), clock_(core.audioClock) {
    thread_ = std::thread([this] { run(); });
}

Presenter::~Presenter() {
    if (thread_.joinable())
        thread_.join();
}

double Presenter::shownPosition() const {
    return current_ ? current_->position : core_.position;
}
double Presenter::lead() const {
    return kAudioLeadSeconds * core_.rate;
}

void Presenter::run() {
    Lock lk(core_.m);
    while (!core_.quit) {
        const uint64_t session = core_.session.load();
        if (notifiedState_ != core_.state || notifiedSession_ != session) {
            notifyState(lk);
            continue;
        }
        if (shownSession_ != session) {
            if (!startSession(lk))
                core_.wakePresenter.wait(lk);
            continue;
        }
        syncClock();
        if (!clock_.running()) {
            core_.wakePresenter.wait(lk);
            continue;
        }
        stepRunning(lk);
    }
}

void Presenter::notifyState(Lock& lk) {
    const int state = core_.state;
    const uint64_t session = core_.session.load();
    const bool discontinuity = notifiedSession_ != session;
    notifiedState_ = state;
    notifiedSession_ = session;
    lk.unlock();
    sinks_.deliverState(state, discontinuity);
    lk.lock();
}

void Presenter::syncClock() {
    const bool run = core_.state == kStateRunning && !atEnd_;
    if (run && !clock_.running())
        clock_.start(shownPosition(), core_.rate);
    else if (!run && clock_.running())
        clock_.stop(shownPosition());
    else if (run && clock_.rate() != core_.rate)
        clock_.start(clock_.position(), core_.rate);
}

bool Presenter::startSession(Lock& lk) {
    const uint64_t session = core_.session.load();
    std::erase_if(core_.frames, [&](const QueuedFrame& q) { return q.session != session; });
    std::erase_if(core_.audio, [&](const QueuedAudio& q) { return q.session != session; });
    atEnd_ = false;
    audioForwardedTo_ = -1;
    if (!core_.info.hasVideo) {
        shownSession_ = session;
        current_.reset();
        core_.position = std::max(0.0, core_.target);
        clock_.stop(core_.position);
        return true;
    }
    if (core_.frames.empty())
        return false;
    const QueuedFrame q = core_.frames.front();
    core_.frames.pop_front();
    core_.wakeWorker.notify_all();
    shownSession_ = session;
    if (!q.frame) { // nothing decodable at this position: hold what is shown
        atEnd_ = true;
        return true;
    }
    clock_.stop(q.frame->position); // syncClock starts it again from this picture when running
    present(lk, q.frame);
    return true;
}

void Presenter::stepRunning(Lock& lk) {
    const bool pacing = sinks_.hasPacer();
    const double cut = core_.hasOutPoint() ? core_.out : INFINITY;
    if (!core_.info.hasVideo)
        return stepAudioOnly(lk, cut);
    if (core_.frames.empty()) {
        if (!pacing)
            forwardAudio(lk, std::min(clock_.position() + lead(), cut), cut);
        core_.wakePresenter.wait_for(lk, kPoll);
        return;
    }
    const FrameHandle next = core_.frames.front().frame;
    if (!next)
        return endOfRange(lk, current_ ? current_->position + current_->duration : cut);
    if (next->position >= cut - frameTolerance(next->duration))
        return endOfRange(lk, cut);

    if (pacing) {
        forwardAudio(lk, std::min(next->position + next->duration, cut), cut);
    } else {
        forwardAudio(lk, std::min(clock_.position() + lead(), cut), cut);
        const auto now = MediaClock::Clock::now();
        const auto due = clock_.timeOf(next->position);
        if (now < due) {
            core_.wakePresenter.wait_until(lk, std::min(due, now + kPoll));
            return;
        }
        // Late: skip this picture when the one after it is due as well (never the last of the range).
        const bool mayDrop = core_.dropFrames || core_.rate > 1.0;
        const FrameHandle after = core_.frames.size() >= 2 ? core_.frames[1].frame : nullptr;
        if (mayDrop && after && after->position < cut - frameTolerance(after->duration) &&
            clock_.timeOf(after->position) <= now) {
            core_.frames.pop_front();
            core_.wakeWorker.notify_all();
            return;
        }
    }
    if (core_.session.load() != shownSession_ || core_.frames.empty() || core_.frames.front().frame != next)
        return;
    core_.frames.pop_front();
    core_.wakeWorker.notify_all();
    core_.runAdvanced = true;
    present(lk, next);
}

void Presenter::stepAudioOnly(Lock& lk, double cut) {
    const double now = clock_.position();
    core_.position = std::min(now, cut);
    forwardAudio(lk, std::min(now + lead(), cut), cut);
    const bool streamEnded = !core_.frames.empty() && !core_.frames.front().frame && core_.audio.empty();
    if (now >= cut || streamEnded)
        return endOfRange(lk, std::min(now, cut));
    core_.wakePresenter.wait_for(lk, kPoll);
}

void Presenter::endOfRange(Lock& lk, double cut) {
    if (core_.loop) {
        core_.seekLocked(core_.in);
        return;
    }
    forwardAudio(lk, cut, cut);
    if (core_.session.load() != shownSession_)
        return;
    if (awaitingAudio(cut)) {
        core_.wakePresenter.wait_for(lk, milliseconds(5));
        return;
    }
    audioWaitSince_.reset();
    atEnd_ = true;
    if (core_.eofStop)
        core_.state = kStateStopped;
}

bool Presenter::awaitingAudio(double cut) {
    // A pacing consumer gets the audio up to the cut complete, unless the audio stops short of it.
    const bool streamEnded =
        std::any_of(core_.frames.begin(), core_.frames.end(), [](auto& q) { return !q.frame; });
    if (!sinks_.hasPacer() || core_.info.audioChannels == 0 || streamEnded || audioForwardedTo_ >= cut - 1e-4)
        return false;
    const auto now = MediaClock::Clock::now();
    if (!audioWaitSince_)
        audioWaitSince_ = now;
    return now - *audioWaitSince_ < kAudioWaitLimit;
}

void Presenter::forwardAudio(Lock& lk, double horizon, double cut) {
    const uint64_t session = shownSession_;
    while (!core_.audio.empty() && core_.session.load() == session) {
        const QueuedAudio q = core_.audio.front();
        if (q.session != session) {
            core_.audio.pop_front();
            continue;
        }
        if (q.block->position >= horizon - 1e-9)
            break;
        core_.audio.pop_front();
        core_.wakeWorker.notify_all();
        AudioHandle routed = route(*q.block, cut);
        if (!routed)
            continue;
        core_.runAdvanced = true;
        audioForwardedTo_ = routed->position + double(routed->frames()) / routed->sampleRate;
        lk.unlock();
        sinks_.deliverAudio(routed);
        if (!sinks_.hasPacer())
            sinks_.deliverSound(routed);
        lk.lock();
    }
}

AudioHandle Presenter::route(const SourceAudio& in, double cut) const {
    int frames = in.frames();
    if (std::isfinite(cut))
        frames = std::min<int>(frames, int(std::llround((cut - in.position) * in.sampleRate)));
    if (frames <= 0)
        return nullptr;
    auto out = std::make_shared<AudioBlock>();
    out->position = in.position;
    out->rate = core_.rate;
    out->sampleRate = in.sampleRate;
    out->channels = AudioBlock::kOutputChannels;
    out->samples.assign(size_t(frames) * AudioBlock::kOutputChannels, 0.0f);
    for (int k = 0; k < AudioBlock::kOutputChannels; ++k) {
        const int src = k < int(core_.channelMap.size()) ? core_.channelMap[size_t(k)] : -1;
        if (src < 0 || src >= in.channels)
            continue;
        for (int i = 0; i < frames; ++i)
            out->samples[size_t(i) * AudioBlock::kOutputChannels + size_t(k)] =
                in.samples[size_t(i) * size_t(in.channels) + size_t(src)];
    }
    return out;
}

void Presenter::present(Lock& lk, const FrameHandle& frame) {
    current_ = frame;
    core_.position = frame->position;
    const uint64_t session = shownSession_;
    lk.unlock();
    sinks_.deliverVideo(frame, session);
    lk.lock();
}

} // namespace engine::ff
