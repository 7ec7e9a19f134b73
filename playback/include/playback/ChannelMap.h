#pragma once
// The text the file source takes as its audio channel map: sixteen entries joined by ",", entry k being
// k when output channel k carries source channel k, and -1 when it stays silent.
#include <QString>
#include <array>
#include <optional>

namespace playback {

enum class AudioMode { All = 0, None = 1, Selected = 2 };

// The map of a mode; `ticked` (boxes 1..16) is read only for Selected. No mode gives no map.
std::optional<QString> channelMapText(int modeIndex, const std::array<bool, 16>& ticked);

} // namespace playback
