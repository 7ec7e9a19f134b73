#include "TimedSurface.h"

#include "PlayoutDevice.h"
#include "samples/SampleClips.h"

namespace bench {

TimedSurface::TimedSurface(QSize size, bool read) : size_(size), read_(read) {
    if (read_)
        thread_ = std::thread([this] { readLoop(); });
}

TimedSurface::~TimedSurface() {
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable())
        thread_.join();
}

void TimedSurface::presentImage(const QImage& image) {
    const double t = now();
    std::lock_guard lock(mutex_);
    ++presented_;
    if (read_) {
        waiting_.emplace_back(t, image);
        wake_.notify_all();
    }
}

void TimedSurface::readLoop() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [&] { return quit_ || !waiting_.empty(); });
        if (quit_)
            return;
        auto [time, image] = std::move(waiting_.front());
        waiting_.pop_front();
        reading_ = true;
        lock.unlock();
        const Shown s{time, samples::readFrameCode(image), samples::showsFlash(image)};
        lock.lock();
        reading_ = false;
        shown_.push_back(s);
        idle_.notify_all();
    }
}

std::vector<TimedSurface::Shown> TimedSurface::shown() {
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [&] { return waiting_.empty() && !reading_; });
    return shown_;
}

double TimedSurface::waitFor(const std::function<bool(const Shown&)>& wanted, double until) {
    std::unique_lock lock(mutex_);
    size_t looked = 0;
    for (;;) {
        for (; looked < shown_.size(); ++looked)
            if (wanted(shown_[looked]))
                return shown_[looked].time;
        const double left = until - now();
        if (left <= 0)
            return -1;
        idle_.wait_for(lock, std::chrono::duration<double>(std::min(left, 0.05)));
    }
}

int TimedSurface::presented() const {
    std::lock_guard lock(mutex_);
    return presented_;
}

} // namespace bench
