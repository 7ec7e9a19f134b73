#include "source/KeyTimes.h"

#include <algorithm>

namespace engine::ff {

void KeyTimes::noteRead(double seconds, uint64_t serial) {
    if (serial == lastSerial_ && seconds > lastInRead_)
        gop_ = seconds - lastInRead_;
    lastSerial_ = serial;
    lastInRead_ = seconds;
    if (times_.size() >= kMaxKept) {
        times_.clear(); // a day-long clip read all over: start learning it again
        complete_ = false;
    }
    times_.insert(seconds);
}

void KeyTimes::seedFromIndex(const std::vector<double>& keys, bool complete) {
    if (keys.size() > kMaxKept)
        return;
    times_.insert(keys.begin(), keys.end());
    complete_ = complete;
    if (keys.size() < 2)
        return;
    // The usual distance: a recording's GOPs have one length, but for a shorter one at a scene change or
    // at the end.
    std::vector<double> gaps;
    for (size_t i = 1; i < keys.size(); ++i)
        gaps.push_back(keys[i] - keys[i - 1]);
    std::nth_element(gaps.begin(), gaps.begin() + gaps.size() / 2, gaps.end());
    gop_ = gaps[gaps.size() / 2];
}

bool KeyTimes::anyAfter(double from, double to) const {
    const auto it = times_.upper_bound(from);
    return it != times_.end() && *it <= to;
}

double KeyTimes::atOrBefore(double t) const {
    const auto it = times_.upper_bound(t);
    return it == times_.begin() ? NAN : *std::prev(it);
}

void KeyTimes::clear() {
    times_.clear();
    lastSerial_ = UINT64_MAX;
    gop_ = 0;
    complete_ = false;
}

} // namespace engine::ff
