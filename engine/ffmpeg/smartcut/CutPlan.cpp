#include "smartcut/CutPlan.h"

#include <algorithm>
#include <vector>

namespace engine::ff {
namespace {

CutPlan reencodeAll(CutPlan plan, const QString& why) {
    plan.headEnd = plan.tailStart = plan.out;
    plan.copyFirst = plan.copyEnd = 0;
    plan.why = why;
    return plan;
}

// Every packet decoded in [first, end) is displayed inside [from, to).
bool selfContained(const SourceIndex& index, int first, int end, int64_t from, int64_t to) {
    for (int i = first; i < end; ++i)
        if (index.packets[size_t(i)].display < from || index.packets[size_t(i)].display >= to)
            return false;
    return true;
}

} // namespace

CutPlan planCut(const SourceIndex& index, int64_t in, int64_t out) {
    CutPlan plan;
    plan.in = in;
    plan.out = out;
    std::vector<int64_t> splices; // display order
    for (const auto& p : index.packets)
        if (p.splice && p.display >= in && p.display <= out)
            splices.push_back(p.display);
    std::sort(splices.begin(), splices.end());
    if (index.frames == out)
        splices.push_back(out); // the clip's end closes the last stretch
    if (splices.empty())
        return reencodeAll(plan, QStringLiteral("the source has no clean splice point inside the span"));

    // An H.264 head of a single picture would put two IDR pictures with the same id next to each other:
    // start copying at the next splice point instead.
    size_t first = 0;
    while (index.codec == AV_CODEC_ID_H264 && first < splices.size() && splices[first] - in == 1)
        ++first;
    if (first >= splices.size() || splices[first] >= out)
        return reencodeAll(plan, QStringLiteral("the source has no clean splice point inside the span"));
    const int64_t start = splices[first];
    const int64_t end = splices.back();
    if (end <= start)
        return reencodeAll(plan, QStringLiteral("the span holds less than one whole GOP"));

    plan.headEnd = start;
    plan.tailStart = end;
    plan.copyFirst = index.positionOf(start);
    plan.copyEnd = end == index.frames ? int(index.packets.size()) : index.positionOf(end);
    if (plan.copyFirst < 0 || plan.copyEnd < plan.copyFirst ||
        !selfContained(index, plan.copyFirst, plan.copyEnd, start, end))
        return reencodeAll(plan, QStringLiteral("the source's GOPs refer across the splice points"));
    return plan;
}

} // namespace engine::ff
