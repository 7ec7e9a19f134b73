#include "source/Presenter.h"
#include "source/SoundRoute.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace engine::ff {
namespace {
using std::chrono::milliseconds;
// Sound goes to the sinks this far (in wall time) ahead of the clock: the device's queue stays well
// under its 250 ms bound and never runs dry.
constexpr double kAudioLeadSeconds = 0.2;
// Sound already handed out is kept this long behind the clock, to be sent again to a new sound owner.
constexpr double kAudioKeepSeconds = 0.05;
constexpr auto kPoll = milliseconds(20);
constexpr auto kAudioWaitLimit = milliseconds(1000);
constexpr auto kSoundWaitLimit = milliseconds(500);
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

void Presenter::unlocked(Lock& lk, const std::function<void()>& call) {
    lk.unlock();
    call();
    lk.lock();
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
            if (showSeekPreview(lk, session))
                continue;
            if (!startSession(lk))
                core_.wakePresenter.wait(lk);
            continue;
        }
        syncClock(lk);
        if (!clock_.running()) {
            const bool polling = starved_ || soundWaitSince_;
            core_.wakePresenter.wait_for(lk, polling ? kPoll : milliseconds(1000));
            if (starved_ && core_.state == kStateRunning)
                stepRunning(lk); // sees whether data is back
            continue;
        }
        core_.clockPosition = clock_.position();
        stepRunning(lk);
    }
}

void Presenter::notifyState(Lock& lk) {
    const int state = core_.state;
    const uint64_t session = core_.session.load();
    const bool discontinuity = notifiedSession_ != session;
    notifiedState_ = state;
    notifiedSession_ = session;
    unlocked(lk, [&] { sinks_.deliverState(state, discontinuity); });
}

void Presenter::syncClock(Lock& lk) {
    const bool run = core_.state == kStateRunning && !atEnd_ && !starved_;
    // A writer that sets the pace mutes the preview (what the device still holds is dropped); when it
    // lets go, the sound comes back from the clock's position.
    if (sinks_.hasPacer() != pacing_) {
        pacing_ = !pacing_;
        if (pacing_)
            unlocked(lk, [&] { sinks_.flushSound(); });
        else if (clock_.running())
            return anchorClock(lk, clock_.position());
    }
    if (core_.soundOwnerChanged) {
        core_.soundOwnerChanged = false;
        if (clock_.running())
            return anchorClock(lk, clock_.position());
    }
    if (run && !clock_.running()) {
        if (!soundReadyAt(shownPosition()))
            return;
        anchorClock(lk, shownPosition());
    }
    else if (!run && clock_.running())
        clock_.stop(starved_ ? clock_.position() : shownPosition());
    else if (run && clockRate_ != core_.rate) // from the picture shown, should it lag the clock
        anchorClock(lk, core_.info.hasVideo ? std::min(clock_.position(), shownPosition()) : clock_.position());
}

bool Presenter::soundReadyAt(double position) {
    // The clock starts once the sound of its first moment is decoded too (or after a bound, for a clip
    // whose sound is missing there), so that picture and sound start together.
    const bool ready = core_.info.audioChannels == 0 || sinks_.hasPacer() ||
                       core_.audioEndedSerial == core_.demuxSerial ||
                       (!core_.audio.empty() && core_.audio.back().block->end() > position + 0.01);
    if (ready) {
        soundWaitSince_.reset();
        return true;
    }
    const auto now = MediaClock::Clock::now();
    if (!soundWaitSince_)
        soundWaitSince_ = now;
    return now - *soundWaitSince_ >= kSoundWaitLimit;
}

void Presenter::anchorClock(Lock& lk, double position) {
    clockRate_ = core_.rate;
    clock_.start(position, clockRate_);
    soundTo_ = std::max(position, 0.0);
    core_.clockPosition = position;
    unlocked(lk, [&] { sinks_.flushSound(); });
}

bool Presenter::showSeekPreview(Lock& lk, uint64_t session) {
    FrameHandle preview = std::exchange(core_.seekPreview, nullptr);
    if (!preview || core_.seekPreviewSession != session || !core_.frames.empty())
        return false;
    core_.onScreen = preview;
    unlocked(lk, [&] { sinks_.deliverPreview(preview, session); });
    return true;
}

bool Presenter::startSession(Lock& lk) {
    const uint64_t session = core_.session.load();
    std::erase_if(core_.frames, [&](const QueuedFrame& q) { return q.session != session; });
    atEnd_ = starved_ = false;
    audioWaitSince_.reset();
    if (!core_.info.hasVideo) {
        shownSession_ = session;
        current_.reset();
        core_.position = std::max(0.0, core_.target);
        audioTo_ = soundTo_ = core_.position;
        clock_.stop(core_.position);
        unlocked(lk, [&] { sinks_.flushSound(); });
        return true;
    }
    if (core_.frames.empty())
        return false;
    const QueuedFrame q = core_.frames.front();
    core_.frames.pop_front();
    core_.wakeWorker.notify_all();
    shownSession_ = session;
    unlocked(lk, [&] { sinks_.flushSound(); });
    if (!q.frame) { // nothing decodable at this position: hold what is shown
        atEnd_ = true;
        return true;
    }
    clock_.stop(q.frame->position); // syncClock starts it again from this picture when running
    audioTo_ = soundTo_ = q.frame->position;
    present(lk, q.frame);
    return true;
}

bool Presenter::underrun(const FrameHandle& next) {
    // Nothing to show and nothing read ahead: the storage is slow or the file is still being written.
    if (next || !core_.frames.empty() || !core_.videoPackets.empty() || core_.videoPackets.ended())
        return false;
    return !current_ || clock_.position() >= current_->position + current_->duration;
}

void Presenter::stepRunning(Lock& lk) {
    const bool pacing = sinks_.hasPacer();
    const double cut = core_.hasOutPoint() ? core_.out : INFINITY;
    if (!core_.info.hasVideo)
        return stepAudioOnly(lk, cut);
    if (core_.frames.empty()) {
        if (!pacing && !starved_ && underrun(nullptr)) {
            starved_ = true;
            clock_.stop(clock_.position());
            return;
        }
        if (!pacing && clock_.running())
            forwardAudio(lk, std::min(clock_.position() + lead(), cut), cut);
        core_.wakePresenter.wait_for(lk, kPoll);
        return;
    }
    const FrameHandle next = core_.frames.front().frame;
    if (starved_) { // data is back: go on from the next picture, sound with it
        if (next && !soundReadyAt(next->position)) {
            core_.wakePresenter.wait_for(lk, kPoll);
            return;
        }
        starved_ = false;
        if (next)
            anchorClock(lk, next->position);
        return;
    }
    if (!next)
        return endOfRange(lk, current_ ? std::min(current_->position + current_->duration, cut) : cut);
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
    const bool ended = core_.audioEndedSerial == core_.demuxSerial;
    const bool dry = core_.audio.empty() || core_.audio.back().block->end() <= audioTo_;
    if (starved_ && !dry) {
        starved_ = false;
        return anchorClock(lk, core_.position);
    }
    const double now = starved_ ? core_.position : clock_.position();
    if (!starved_ && dry && !ended && core_.audioPackets.size() &&
        std::all_of(core_.audioPackets.begin(), core_.audioPackets.end(), [](auto& q) { return q.empty(); }) &&
        now >= audioTo_) {
        starved_ = true;
        clock_.stop(audioTo_);
        core_.position = std::min(audioTo_, cut);
        return;
    }
    core_.position = std::min(now, cut);
    forwardAudio(lk, std::min(now + lead(), cut), cut);
    if (now >= cut || (ended && dry && now >= audioTo_))
        return endOfRange(lk, std::min(now, cut));
    core_.wakePresenter.wait_for(lk, kPoll);
}

void Presenter::endOfRange(Lock& lk, double endsAt) {
    const bool pacing = sinks_.hasPacer();
    forwardAudio(lk, endsAt, endsAt);
    if (core_.session.load() != shownSession_)
        return;
    // The last picture stays for its whole duration and the sound plays to its last sample.
    if (!pacing && clock_.running() && std::isfinite(endsAt) && clock_.position() < endsAt - 1e-4) {
        const auto now = MediaClock::Clock::now();
        core_.wakePresenter.wait_until(lk, std::min(clock_.timeOf(endsAt), now + kPoll));
        return;
    }
    if (core_.loop) {
        core_.seekLocked(core_.in);
        return;
    }
    if (awaitingAudio(endsAt)) {
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
    // (The pictures' end says nothing of the sound's: it may still be decoding what was read with them.)
    const bool streamEnded = core_.audioEndedSerial == core_.demuxSerial;
    if (!sinks_.hasPacer() || core_.info.audioChannels == 0 || streamEnded || audioTo_ >= cut - 1e-4)
        return false;
    const auto now = MediaClock::Clock::now();
    if (!audioWaitSince_)
        audioWaitSince_ = now;
    return now - *audioWaitSince_ < kAudioWaitLimit;
}

void Presenter::forwardAudio(Lock& lk, double horizon, double cut) {
    const uint64_t session = shownSession_;
    const bool pacing = sinks_.hasPacer();
    std::erase_if(core_.audio, [&](const QueuedAudio& q) { return q.serial != core_.demuxSerial; });
    // Sound the owner would hear late is not sent: it starts at the clock's position.
    const double heardFrom = clock_.running() ? std::max(soundTo_, clock_.position()) : soundTo_;
    const double from = std::min(audioTo_, heardFrom);
    for (size_t i = 0; i < core_.audio.size() && core_.session.load() == session; ++i) {
        const SourceAudioHandle block = core_.audio[i].block;
        if (block->position >= horizon - 1e-9)
            break;
        if (block->end() <= from)
            continue;
        AudioHandle all = block->end() > audioTo_ ? routeSound(*block, core_.channelMap, core_.rate, audioTo_, cut) : nullptr;
        // In steady play both start at the same sample: one routed block serves both.
        const bool sameStart = std::max(audioTo_, block->position) == std::max(heardFrom, block->position);
        AudioHandle heard = pacing || block->end() <= heardFrom ? nullptr
                            : all && sameStart                 ? all
                                                               : routeSound(*block, core_.channelMap, core_.rate, heardFrom, cut);
        if (all) {
            core_.runAdvanced = true;
            audioTo_ = all->position + double(all->frames()) / all->sampleRate;
        }
        if (heard)
            soundTo_ = heard->position + double(heard->frames()) / heard->sampleRate;
        unlocked(lk, [&] {
            if (all)
                sinks_.deliverAudio(all, session);
            if (heard)
                sinks_.deliverSound(heard);
        });
        if (core_.session.load() != session || core_.audio.size() <= i || core_.audio[i].block != block)
            break; // the queue changed meanwhile: looked at again on the next step
    }
    dropPlayedAudio();
}

void Presenter::dropPlayedAudio() {
    // Kept from a little behind what is heard and what is shown (the clock re-anchors at the picture
    // shown, which may lag the clock), to be sent again.
    const double now =
        clock_.running() && !sinks_.hasPacer() ? std::min(clock_.position(), shownPosition()) : shownPosition();
    const double keepFrom = std::min(audioTo_, now - kAudioKeepSeconds * core_.rate);
    bool dropped = false;
    while (!core_.audio.empty() && core_.audio.front().block->end() <= keepFrom) {
        core_.audio.pop_front();
        dropped = true;
    }
    if (dropped)
        core_.wakeWorker.notify_all();
}

void Presenter::present(Lock& lk, const FrameHandle& frame) {
    current_ = frame;
    core_.onScreen = frame;
    core_.position = frame->position;
    const uint64_t session = shownSession_;
    unlocked(lk, [&] { sinks_.deliverVideo(frame, session); });
}

} // namespace engine::ff
