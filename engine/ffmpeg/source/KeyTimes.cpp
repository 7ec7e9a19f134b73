#include "source/KeyTimes.h"

namespace engine::ff {

void KeyTimes::noteRead(double seconds, uint64_t serial) {
    if (serial == lastSerial_ && seconds > lastInRead_)
        gop_ = seconds - lastInRead_;
    lastSerial_ = serial;
    lastInRead_ = seconds;
    if (times_.size() >= kMaxKept)
        times_.clear(); // a day-long clip read all over: start learning it again
    times_.insert(seconds);
}

bool KeyTimes::anyAfter(double from, double to) const {
    const auto it = times_.upper_bound(from);
    return it != times_.end() && *it <= to;
}

void KeyTimes::clear() {
    times_.clear();
    lastSerial_ = UINT64_MAX;
    gop_ = 0;
}

} // namespace engine::ff
