#include "smartcut/Mpeg2CopyEnd.h"

#include <algorithm>

#include "engine/OperatorTexts.h"
#include "smartcut/SpanEncoder.h"

namespace engine::ff {

QString checkCopyEnd(const SourceIndex& source, const SourceIndex& written, const CutPlan& plan) {
    int64_t first = plan.headEnd;
    for (int p = plan.copyEnd - 1; p >= plan.copyFirst; --p)
        if (const IndexedPacket& gop = source.packets[size_t(p)]; gop.gopStart) {
            first = std::max(first, gop.display);
            break;
        }
    if (first >= plan.tailStart)
        return {};
    QString error;
    const std::optional<int64_t> differs =
        firstDifferingPicture(source, first, written, first - plan.in, plan.tailStart - first, error);
    if (!error.isEmpty())
        return error;
    return differs ? texts::copiedPictureDiffers(first - plan.in + *differs) : QString();
}

} // namespace engine::ff
