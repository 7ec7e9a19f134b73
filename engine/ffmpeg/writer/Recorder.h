#pragma once
// One recording: the sink a file source feeds, a bounded queue, and the thread that encodes and writes.
// The sink side never drops a picture; when the queue is full it makes the source wait.
#include <QString>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <variant>

#include "writer/RecordingJob.h"
#include "writer/WriterConfig.h"

namespace engine::ff {

class EncodeSession;

struct RecorderSetup {
    QString target;
    WriterSettings settings;
    bool pacesSource = false; // "rate_control" = "true"
    int sourceState = 0;      // the source's state when recording starts
};

class Recorder final : public RecordingJob {
  public:
    explicit Recorder(RecorderSetup setup);
    ~Recorder() override;

    // Creates the temporary file and starts the thread; returns the reason when it cannot.
    QString open();
    bool failed() const;
    QString error() const override;

    void onVideo(const FrameHandle& frame) override;
    void onAudio(const AudioHandle& block) override;
    void onSourceState(int state, bool discontinuity) override;
    bool pacesSource() const override { return setup_.pacesSource; }

  private:
    struct Discontinuity {};
    struct End {};
    using Item = std::variant<FrameHandle, AudioHandle, Discontinuity, End>;
    static constexpr int kMaxQueuedPictures = 8;

    void endOnce() override;
    void push(Item item);
    void run();
    void fail(const QString& error);
    RecordingOutcome finish();
    void updateFinishedFraction();

    RecorderSetup setup_;
    std::unique_ptr<EncodeSession> session_; // recorder thread only, after open()
    std::thread thread_;

    mutable std::mutex mutex_; // guards everything below
    std::condition_variable itemReady_, roomFree_;
    std::deque<Item> queue_;
    int queuedPictures_ = 0;
    bool ended_ = false;
    bool failed_ = false;
    QString error_;
    bool tookFirst_ = false;
    int64_t lastIndex_ = -1;
    bool sourceRunning_ = false;
    int64_t picturesTaken_ = 0; // pictures queued in all, against the session's packets for the progress
};

} // namespace engine::ff
