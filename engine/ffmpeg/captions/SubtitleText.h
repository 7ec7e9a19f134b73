#pragma once
// The caption screen of a decoded subtitle: its text rectangles joined, ASS markup removed.
#include <memory>

#include "core/MediaSink.h"

extern "C" {
#include <libavcodec/avcodec.h>
}

namespace engine::ff {

std::shared_ptr<const CaptionScreen> screenOfSubtitle(const AVSubtitle& subtitle);

// Owns a decoded AVSubtitle for the scope of its use.
struct SubtitleHolder {
    AVSubtitle value{};
    ~SubtitleHolder() { avsubtitle_free(&value); }
};

} // namespace engine::ff
