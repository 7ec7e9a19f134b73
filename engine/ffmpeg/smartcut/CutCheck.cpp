#include "smartcut/CutCheck.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "engine/OperatorTexts.h"
#include "smartcut/SourceIndex.h"

namespace engine::ff {

QString checkCut(const QString& path, int64_t frames, const std::function<bool()>& stop,
                 SourceIndex* writtenIndex) {
    SourceIndex scanned;
    SourceIndex& written = writtenIndex ? *writtenIndex : scanned;
    if (QString e = scanSource(path, written, stop); !e.isEmpty())
        return texts::writtenFileUnreadable(e);
    if (written.frames != frames)
        return texts::writtenFrameCount(written.frames, frames);
    std::vector<int64_t> shown;
    for (const auto& p : written.packets)
        shown.push_back(p.display);
    std::sort(shown.begin(), shown.end());
    for (int64_t i = 0; i < int64_t(shown.size()); ++i)
        if (shown[size_t(i)] != i)
            return texts::writtenTimestampsBroken(i);
    return {};
}

} // namespace engine::ff
