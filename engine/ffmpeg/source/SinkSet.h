#pragma once
// The consumers fed by one file source, and the picture they were last given.
#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <vector>

#include "core/MediaSink.h"

namespace engine::ff {

class SinkSet {
  public:
    // Adds `sink`, tells it the state, and gives it the last picture when `giveLast(session of that
    // picture, from)` agrees. All under the set's lock, so no delivery overtakes it. `giveLast` sets
    // `from` to the session the sink starts with: media of older sessions (a delivery that was under
    // way as it joined) does not reach it.
    using GiveLast = std::function<bool(uint64_t lastSession, uint64_t& from)>;
    void add(IMediaSink* sink, int state, const GiveLast& giveLast);

    bool hasPacer() const { return pacers_.load() > 0; }
    // Sound ownership (see ISourceHub::setSoundWanted). `ownerClock` is called, under the set's lock,
    // with the new owner's clock (nullptr when nobody wants sound) whenever the owner changes.
    using OwnerChanged = std::function<void(IAudioClock*)>;
    void setSoundWanted(IMediaSink* sink, bool wanted, const OwnerChanged& ownerClock);
    // Returns once no call into `sink` is running.
    void remove(IMediaSink* sink, const OwnerChanged& ownerClock);
    bool empty() const;

    void deliverVideo(const FrameHandle& frame, uint64_t session);
    // A picture shown for a moment while a seek decodes the exact one: to the sinks that do not set the
    // pace (a writer records only the pictures the source presents).
    void deliverPreview(const FrameHandle& frame, uint64_t session);
    void deliverAudio(const AudioHandle& block, uint64_t session);
    // To the sound's owner only.
    void deliverSound(const AudioHandle& block);
    void flushSound();
    void deliverState(int state, bool discontinuity);
    void forgetLast();

  private:
    void changeSoundLocked(IMediaSink* sink, bool wanted, const OwnerChanged& ownerClock);

    mutable std::mutex m_;
    std::vector<IMediaSink*> sinks_;
    std::map<IMediaSink*, uint64_t> joinedAt_; // the session each sink started with
    std::vector<IMediaSink*> soundWanted_; // in the order they asked; the front owns the sound
    FrameHandle last_;
    uint64_t lastSession_ = 0;
    std::atomic<int> pacers_{0};
};

} // namespace engine::ff
