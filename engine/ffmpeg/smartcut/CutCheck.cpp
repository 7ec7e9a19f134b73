#include "smartcut/CutCheck.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "smartcut/SourceIndex.h"

namespace engine::ff {

QString checkCut(const QString& path, int64_t frames, const std::function<bool()>& stop) {
    SourceIndex written;
    if (QString e = scanSource(path, written, stop); !e.isEmpty())
        return QStringLiteral("The written file does not read back: ") + e;
    if (written.frames != frames)
        return QStringLiteral("The written file holds %1 frames instead of %2")
            .arg(written.frames)
            .arg(frames);
    std::vector<int64_t> shown;
    for (const auto& p : written.packets)
        shown.push_back(p.display);
    std::sort(shown.begin(), shown.end());
    for (int64_t i = 0; i < int64_t(shown.size()); ++i)
        if (shown[size_t(i)] != i)
            return QStringLiteral("The written file's time stamps skip or repeat at frame %1").arg(i);
    return {};
}

} // namespace engine::ff
