#pragma once
// A thread of its own that runs the jobs posted to it one after another, in the order posted. The
// destructor runs what is still queued, then joins.
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace engine::ff {

class JobThread {
  public:
    JobThread();
    ~JobThread();
    JobThread(const JobThread&) = delete;
    JobThread& operator=(const JobThread&) = delete;

    void post(std::function<void()> job);

  private:
    void run();

    std::mutex m_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> jobs_;
    bool quit_ = false;
    std::thread thread_; // last: started once the rest is ready
};

} // namespace engine::ff
