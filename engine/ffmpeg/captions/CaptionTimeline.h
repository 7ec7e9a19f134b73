#pragma once
// Caption screens by media time: each screen is shown from its start until its end or until a later
// screen starts. Queries are expected in rising time between reset()s; screens that can no longer be
// shown are dropped as time passes. Not thread-safe: one owner.
#include <limits>
#include <map>
#include <memory>

#include "core/MediaSink.h"

namespace engine::ff {

class CaptionTimeline {
  public:
    static constexpr double kUntilNext = std::numeric_limits<double>::infinity();

    void add(double start, double end, std::shared_ptr<const CaptionScreen> screen);
    // The screen shown at `time`; an empty screen when none (never null).
    std::shared_ptr<const CaptionScreen> at(double time);
    void clear() { events_.clear(); }
    size_t size() const { return events_.size(); }

  private:
    struct Event {
        double end;
        std::shared_ptr<const CaptionScreen> screen;
    };
    std::multimap<double, Event> events_; // by start
};

} // namespace engine::ff
