#pragma once
// The presenter thread of a file source: takes decoded pictures and sound from SourceCore's queues and
// hands them to the sinks at the clock's pace (or, with a pacing sink, as fast as it takes them), and
// handles the end of the range.
//
// Clock: re-anchored at a seek, a play, a rate change and the end of an underrun (MediaClock slews it
// toward the sound heard otherwise). At each re-anchoring the sound owner's queue is flushed and the
// sound sent again from the clock's position, so picture and sound start together. Underrun: while
// running with no picture to show and nothing read ahead, the clock waits (the state stays running).
#include <functional>
#include <optional>
#include <thread>

#include "source/MediaClock.h"
#include "source/SinkSet.h"
#include "source/SourceCore.h"

namespace engine::ff {

class Presenter {
  public:
    Presenter(SourceCore& core, SinkSet& sinks);
    ~Presenter(); // the owner sets core.quit first

  private:
    using Lock = std::unique_lock<std::mutex>;
    void run();
    void notifyState(Lock& lk);
    void syncClock(Lock& lk);
    void anchorClock(Lock& lk, double position);
    bool soundReadyAt(double position);
    bool showSeekPreview(Lock& lk, uint64_t session);
    bool startSession(Lock& lk);
    void stepRunning(Lock& lk);
    void stepAudioOnly(Lock& lk, double cut);
    bool underrun(const FrameHandle& next);
    void endOfRange(Lock& lk, double endsAt);
    bool awaitingAudio(double cut);
    void forwardAudio(Lock& lk, double horizon, double cut);
    void dropPlayedAudio();
    void present(Lock& lk, const FrameHandle& frame);
    double shownPosition() const;
    double lead() const;
    void unlocked(Lock& lk, const std::function<void()>& call);

    // Presenter-thread state.
    SourceCore& core_;
    SinkSet& sinks_;
    MediaClock clock_;
    uint64_t shownSession_ = UINT64_MAX; // session whose first picture was shown
    FrameHandle current_;
    bool atEnd_ = false;
    bool starved_ = false;  // underrun: the clock waits for data
    bool pacing_ = false;   // a pacing sink was attached when last looked
    double audioTo_ = 0;    // sound handed to every sink (onAudio) up to here
    double soundTo_ = 0;    // sound handed to the sound owner (onSound) up to here
    double clockRate_ = 1;  // the rate the clock was anchored with
    std::optional<MediaClock::Clock::time_point> audioWaitSince_;
    std::optional<MediaClock::Clock::time_point> soundWaitSince_; // the clock waits for sound to start
    int notifiedState_ = -1;
    uint64_t notifiedSession_ = UINT64_MAX;
    std::thread thread_;
};

} // namespace engine::ff
