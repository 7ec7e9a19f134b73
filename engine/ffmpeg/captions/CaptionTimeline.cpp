#include "captions/CaptionTimeline.h"

namespace engine::ff {

void CaptionTimeline::add(double start, double end, std::shared_ptr<const CaptionScreen> screen) {
    if (!screen)
        screen = std::make_shared<CaptionScreen>();
    events_.emplace(start, Event{end, std::move(screen)});
}

std::shared_ptr<const CaptionScreen> CaptionTimeline::at(double time) {
    // Screens that started before the latest one at or before `time` can never show again.
    auto after = events_.upper_bound(time);
    if (after == events_.begin())
        return std::make_shared<CaptionScreen>();
    auto current = std::prev(after);
    events_.erase(events_.begin(), current);
    if (time < current->second.end)
        return current->second.screen;
    return std::make_shared<CaptionScreen>();
}

} // namespace engine::ff
