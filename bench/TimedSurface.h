#pragma once
// A video surface for benchmarks: records when each picture was presented and, read from the picture
// itself on a thread of its own, which frame it shows (its frame code) and whether it is a flash.
#include <QImage>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "engine/VideoSurface.h"

namespace bench {

class TimedSurface : public engine::IVideoSurface {
  public:
    struct Shown {
        double time;   // bench::now() when presented
        int64_t frame; // -1 when no frame code was read
        bool flash;
    };

    // Without reading, pictures are only counted (a surface that costs the engine nothing more).
    TimedSurface(QSize size, bool read);
    ~TimedSurface() override;

    QSize surfaceSize() const override { return size_; }
    void presentImage(const QImage& image) override;

    // Everything presented so far, once read.
    std::vector<Shown> shown();
    // Waits until a picture read is `wanted` (or `until`, in bench::now() time): when it was presented, or -1.
    double waitFor(const std::function<bool(const Shown&)>& wanted, double until);
    int presented() const;

  private:
    void readLoop();

    const QSize size_;
    const bool read_;
    mutable std::mutex mutex_;
    std::condition_variable wake_, idle_;
    std::deque<std::pair<double, QImage>> waiting_;
    bool reading_ = false, quit_ = false;
    std::vector<Shown> shown_;
    int presented_ = 0;
    std::thread thread_;
};

} // namespace bench
