#pragma once
// The channel map applied to the sound of all source channels: output channel k carries source channel
// map[k], silent where the map names none or the source lacks it.
#include <vector>

#include "core/MediaSink.h"
#include "source/MediaReader.h"

namespace engine::ff {

// `in` routed and cut to [from, to) (`to` infinite: to its end), told as played at `rate`; null when
// nothing of it is left.
AudioHandle routeSound(const SourceAudio& in, const std::vector<int>& channelMap, double rate, double from,
                       double to);

} // namespace engine::ff
