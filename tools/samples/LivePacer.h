#pragma once
// Holds the writer to the media's own pace: a packet is written when the steady clock reaches its
// time. After a stall (the process stopped, the disk slow) the writer does not catch up in a burst:
// it goes on in real time from where it is, as an ingest that lost its input for a while would.
#include <atomic>
#include <chrono>

namespace samples::live {

class LivePacer {
  public:
    // Late by more than this counts as a stall.
    static constexpr std::chrono::milliseconds kStallAfter{500};

    // Waits until media time `seconds` is due (the first call sets the pace), or until `stop` is set.
    void waitFor(double seconds, const std::atomic<bool>& stop);

  private:
    using Clock = std::chrono::steady_clock;
    bool started_ = false;
    Clock::time_point anchor_;
    double anchorSeconds_ = 0;
};

} // namespace samples::live
