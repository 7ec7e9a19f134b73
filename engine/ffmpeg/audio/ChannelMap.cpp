#include "audio/ChannelMap.h"

#include <QStringList>

namespace engine::ff {

ChannelMap identityChannelMap() {
    ChannelMap map{};
    for (int k = 0; k < kRoutedChannels; ++k)
        map[size_t(k)] = k;
    return map;
}

std::optional<ChannelMap> parseChannelMap(const QString& text) {
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != kRoutedChannels)
        return std::nullopt;
    ChannelMap map{};
    for (int k = 0; k < kRoutedChannels; ++k) {
        bool ok = false;
        const int value = parts[k].trimmed().toInt(&ok, 10);
        if (!ok)
            return std::nullopt;
        map[size_t(k)] = value;
    }
    return map;
}

} // namespace engine::ff
