#include "PlayoutDevice.h"

#include <algorithm>
#include <chrono>
#include <cmath>

namespace bench {
namespace {
constexpr auto kStep = std::chrono::milliseconds(1);
const auto kEpoch = std::chrono::steady_clock::now();
} // namespace

double now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - kEpoch).count();
}

PlayoutDevice::PlayoutDevice() : thread_([this] { run(); }) {}

PlayoutDevice::~PlayoutDevice() {
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

bool PlayoutDevice::open(int sampleRate, int channels) {
    std::lock_guard lock(mutex_);
    rate_ = sampleRate;
    channels_ = std::max(1, channels);
    open_ = true;
    paused_ = true;
    pending_.clear();
    pendingStart_ = 0;
    played_ = 0;
    return true;
}

int PlayoutDevice::sampleRate() const {
    std::lock_guard lock(mutex_);
    return rate_;
}

int PlayoutDevice::channels() const {
    std::lock_guard lock(mutex_);
    return channels_;
}

void PlayoutDevice::queue(const float* interleaved, int frames) {
    std::lock_guard lock(mutex_);
    if (open_ && frames > 0)
        pending_.insert(pending_.end(), interleaved, interleaved + size_t(frames) * size_t(channels_));
}

int64_t PlayoutDevice::playedFrames() const {
    std::lock_guard lock(mutex_);
    return played_;
}

double PlayoutDevice::heardFrames() const {
    return double(playedFrames());
}

int64_t PlayoutDevice::pendingFrames() const {
    std::lock_guard lock(mutex_);
    return int64_t((pending_.size() - pendingStart_) / size_t(channels_));
}

void PlayoutDevice::setPaused(bool paused) {
    std::lock_guard lock(mutex_);
    paused_ = paused;
}

void PlayoutDevice::clear() {
    std::lock_guard lock(mutex_);
    pending_.clear();
    pendingStart_ = 0;
}

void PlayoutDevice::close() {
    std::lock_guard lock(mutex_);
    open_ = false;
    pending_.clear();
    pendingStart_ = 0;
}

void PlayoutDevice::run() {
    std::unique_lock lock(mutex_);
    last_ = now();
    while (!quit_) {
        wake_.wait_for(lock, kStep, [&] { return quit_; });
        const double t = now();
        const double due = (t - last_) * rate_ + owed_;
        last_ = t;
        if (!open_ || paused_) {
            owed_ = 0;
            continue;
        }
        const auto available = int64_t((pending_.size() - pendingStart_) / size_t(channels_));
        const int64_t take = std::min(available, int64_t(due));
        // What a card cannot play for want of samples is silence, not a debt.
        owed_ = take < int64_t(due) ? 0 : due - double(take);
        for (int64_t i = 0; i < take; ++i)
            heard_.push_back(pending_[pendingStart_ + size_t(i) * size_t(channels_)]);
        pendingStart_ += size_t(take) * size_t(channels_);
        played_ += take;
        if (pendingStart_ > pending_.size() / 2) {
            pending_.erase(pending_.begin(), pending_.begin() + std::ptrdiff_t(pendingStart_));
            pendingStart_ = 0;
        }
        if (take > 0)
            marks_.push_back({t, int64_t(heard_.size())});
    }
}

double PlayoutDevice::heardAt(int64_t sample) const {
    // The samples between two marks were played evenly over the step that ended at the later one.
    const auto after = std::upper_bound(marks_.begin(), marks_.end(), sample,
                                        [](int64_t s, const Mark& m) { return s < m.heard; });
    if (after == marks_.end())
        return marks_.empty() ? 0 : marks_.back().time;
    const double stepStart = after == marks_.begin() ? after->time - 0.001 : std::prev(after)->time;
    const int64_t firstInStep = after == marks_.begin() ? 0 : std::prev(after)->heard;
    const double share =
        double(sample - firstInStep) / double(std::max<int64_t>(1, after->heard - firstInStep));
    return stepStart + share * (after->time - stepStart);
}

std::vector<double> PlayoutDevice::beepTimes() const {
    std::lock_guard lock(mutex_);
    float loudest = 0;
    for (float v : heard_)
        loudest = std::max(loudest, std::abs(v));
    std::vector<double> times;
    if (loudest <= 0)
        return times;
    const int64_t quiet = rate_ * 3 / 10;
    int64_t lastLoud = -quiet - 1;
    for (int64_t i = 0; i < int64_t(heard_.size()); ++i) {
        if (std::abs(heard_[size_t(i)]) <= loudest / 2)
            continue;
        if (i - lastLoud > quiet)
            times.push_back(heardAt(i));
        lastLoud = i;
    }
    return times;
}

} // namespace bench
