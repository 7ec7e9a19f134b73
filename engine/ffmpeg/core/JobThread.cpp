#include "core/JobThread.h"

namespace engine::ff {

JobThread::JobThread() : thread_([this] { run(); }) {}

JobThread::~JobThread() {
    {
        std::lock_guard lk(m_);
        quit_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void JobThread::post(std::function<void()> job) {
    {
        std::lock_guard lk(m_);
        jobs_.push_back(std::move(job));
    }
    wake_.notify_all();
}

void JobThread::run() {
    std::unique_lock lk(m_);
    for (;;) {
        wake_.wait(lk, [&] { return quit_ || !jobs_.empty(); });
        if (jobs_.empty())
            return;
        std::function<void()> job = std::move(jobs_.front());
        jobs_.pop_front();
        lk.unlock();
        job();
        lk.lock();
    }
}

} // namespace engine::ff
