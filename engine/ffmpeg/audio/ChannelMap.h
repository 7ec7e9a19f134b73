#pragma once
// The channel map of a file source ("object::audio_channels"): output channel k carries source
// channel map[k]; a negative entry or a source channel that does not exist gives silence.
#include <QString>
#include <array>
#include <optional>

namespace engine::ff {

inline constexpr int kRoutedChannels = 16;
using ChannelMap = std::array<int, kRoutedChannels>;

// 0, 1, ..., 15: every source channel on its own output (the map before any is set).
ChannelMap identityChannelMap();

// Parses exactly 16 comma-separated decimal integers (blanks around an entry allowed). Anything else
// (fewer or more entries, an empty entry, a non-number) is rejected with nullopt; the caller then keeps
// the map it had, so a damaged text never silences or scrambles the audio being played.
std::optional<ChannelMap> parseChannelMap(const QString& text);

} // namespace engine::ff
