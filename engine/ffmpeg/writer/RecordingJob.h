#pragma once
// One recording of the file writer, as the writer sees it: a sink the file source feeds, whose file is
// finished on the recording's own thread after end(), so that closing the writer never waits for the
// encoders, the trailer or a cut. Progress and outcome are read from any thread.
#include <QString>
#include <atomic>
#include <mutex>

#include "core/MediaSink.h"

namespace engine::ff {

struct RecordingOutcome {
    bool ok = false;
    QString text;
};

class RecordingJob : public IMediaSink {
  public:
    // No more media comes (the source has let go of this sink): the file is finished, checked and put in
    // place on the recording's own thread. Returns at once; later calls do nothing.
    void end();
    // As end(), but nothing is put in place and the temporary file is removed.
    void abandon();
    // A failure seen while recording, told before the recording ends; empty while all goes well.
    virtual QString error() const = 0;

    bool done() const { return done_; }
    RecordingOutcome outcome() const; // the final word once done()
    // Media time of the last picture recorded, and how much of the finishing is done (0..1).
    double lastPosition() const { return lastPosition_; }
    double finishedFraction() const { return finished_; }

  protected:
    bool abandoned() const { return abandoned_; }
    // Called last on the recording's thread.
    void conclude(RecordingOutcome outcome);
    static RecordingOutcome abandonedOutcome();

    std::atomic<double> lastPosition_{0}, finished_{0};

  private:
    // Starts the finishing on the recording's thread.
    virtual void endOnce() = 0;

    std::atomic<bool> abandoned_{false}, ended_{false}, done_{false};
    mutable std::mutex mutex_;
    RecordingOutcome outcome_;
};

} // namespace engine::ff
