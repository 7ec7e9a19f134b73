#include "source/SinkSet.h"

#include <algorithm>

namespace engine::ff {

void SinkSet::add(IMediaSink* sink, int state, const GiveLast& giveLast) {
    std::lock_guard lk(m_);
    if (std::find(sinks_.begin(), sinks_.end(), sink) != sinks_.end())
        return;
    sinks_.push_back(sink);
    if (sink->pacesSource())
        pacers_.fetch_add(1);
    sink->onSourceState(state, true);
    uint64_t from = 0;
    const bool give = giveLast(last_ ? lastSession_ : UINT64_MAX, from);
    joinedAt_[sink] = from;
    if (last_ && give)
        sink->onVideo(last_);
}

void SinkSet::remove(IMediaSink* sink, const OwnerChanged& ownerClock) {
    std::lock_guard lk(m_);
    if (std::find(soundWanted_.begin(), soundWanted_.end(), sink) != soundWanted_.end())
        changeSoundLocked(sink, false, ownerClock);
    auto it = std::find(sinks_.begin(), sinks_.end(), sink);
    if (it == sinks_.end())
        return;
    if (sink->pacesSource())
        pacers_.fetch_sub(1);
    sinks_.erase(it);
    joinedAt_.erase(sink);
}

void SinkSet::setSoundWanted(IMediaSink* sink, bool wanted, const OwnerChanged& ownerClock) {
    std::lock_guard lk(m_);
    changeSoundLocked(sink, wanted, ownerClock);
}

void SinkSet::changeSoundLocked(IMediaSink* sink, bool wanted, const OwnerChanged& ownerClock) {
    IMediaSink* const owner = soundWanted_.empty() ? nullptr : soundWanted_.front();
    const auto it = std::find(soundWanted_.begin(), soundWanted_.end(), sink);
    if (wanted && it == soundWanted_.end())
        soundWanted_.push_back(sink);
    else if (!wanted && it != soundWanted_.end())
        soundWanted_.erase(it);
    IMediaSink* const next = soundWanted_.empty() ? nullptr : soundWanted_.front();
    if (next == owner)
        return;
    if (owner)
        owner->onSoundFlush();
    ownerClock(next ? next->soundClock() : nullptr);
}

bool SinkSet::empty() const {
    std::lock_guard lk(m_);
    return sinks_.empty();
}

void SinkSet::deliverVideo(const FrameHandle& frame, uint64_t session) {
    std::lock_guard lk(m_);
    last_ = frame;
    lastSession_ = session;
    for (IMediaSink* s : sinks_)
        if (joinedAt_[s] <= session)
            s->onVideo(frame);
}

void SinkSet::deliverPreview(const FrameHandle& frame, uint64_t session) {
    std::lock_guard lk(m_);
    for (IMediaSink* s : sinks_)
        if (joinedAt_[s] <= session && !s->pacesSource())
            s->onVideo(frame);
}

void SinkSet::deliverAudio(const AudioHandle& block, uint64_t session) {
    std::lock_guard lk(m_);
    for (IMediaSink* s : sinks_)
        if (joinedAt_[s] <= session)
            s->onAudio(block);
}

void SinkSet::deliverSound(const AudioHandle& block) {
    std::lock_guard lk(m_);
    if (!soundWanted_.empty())
        soundWanted_.front()->onSound(block);
}

void SinkSet::flushSound() {
    std::lock_guard lk(m_);
    if (!soundWanted_.empty())
        soundWanted_.front()->onSoundFlush();
}

void SinkSet::deliverState(int state, bool discontinuity) {
    std::lock_guard lk(m_);
    if (state == 0)
        last_.reset();
    for (IMediaSink* s : sinks_)
        s->onSourceState(state, discontinuity);
}

void SinkSet::forgetLast() {
    std::lock_guard lk(m_);
    last_.reset();
}

} // namespace engine::ff
