#include "playback/ChannelMap.h"

#include <QStringList>

namespace playback {

std::optional<QString> channelMapText(int modeIndex, const std::array<bool, 16>& ticked) {
    if (modeIndex < int(AudioMode::All) || modeIndex > int(AudioMode::Selected))
        return std::nullopt;
    const auto mode = AudioMode(modeIndex);
    QStringList entries;
    for (int k = 0; k < int(ticked.size()); ++k) {
        const bool carried = mode == AudioMode::All || (mode == AudioMode::Selected && ticked[size_t(k)]);
        entries << (carried ? QString::number(k) : QStringLiteral("-1"));
    }
    return entries.join(QLatin1Char(','));
}

} // namespace playback
