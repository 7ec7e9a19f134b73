#pragma once
// The routed sound of a stretch of a clip read straight from its file, as the file source would play it
// (the same decoding, joining of streams and channel map), without decoding a picture: for a copy of
// the clip's pictures whose sound is encoded again.
#include <QString>
#include <functional>
#include <vector>

#include "core/MediaSink.h"

namespace engine::ff {

// Hands [fromSeconds, toSeconds) of the clip's time line (0 = its first frame) to `take`, block by block
// in order; the reason when the clip cannot be read, or `take`'s own. `stop` answering true ends the
// reading early.
QString readClipSound(const QString& path, const std::vector<int>& channelMap, double fromSeconds,
                      double toSeconds, const std::function<QString(const AudioHandle&)>& take,
                      const std::function<bool()>& stop);

} // namespace engine::ff
