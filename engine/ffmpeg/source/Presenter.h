#pragma once
// The presenter thread of a file source: takes decoded pictures and audio from SourceCore's queues and
// hands them to the sinks at the clock's pace (or, with a pacing sink, as fast as it takes them), and
// handles the end of the range.
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
    void syncClock();
    bool startSession(Lock& lk);
    void stepRunning(Lock& lk);
    void stepAudioOnly(Lock& lk, double cut);
    void endOfRange(Lock& lk, double cut);
    bool awaitingAudio(double cut);
    void forwardAudio(Lock& lk, double horizon, double cut);
    void present(Lock& lk, const FrameHandle& frame);
    AudioHandle route(const SourceAudio& block, double cut) const;
    double shownPosition() const;
    double lead() const;

    // Presenter-thread state.
    SourceCore& core_;
    SinkSet& sinks_;
    MediaClock clock_;
    uint64_t shownSession_ = UINT64_MAX; // session whose first picture was shown
    FrameHandle current_;
    bool atEnd_ = false;
    double audioForwardedTo_ = -1;
    std::optional<MediaClock::Clock::time_point> audioWaitSince_;
    int notifiedState_ = -1;
    uint64_t notifiedSession_ = UINT64_MAX;
    std::thread thread_;
};

} // namespace engine::ff
