#include "smartcut/CutPlan.h"
#include "engine/OperatorTexts.h"

#include <algorithm>
#include <vector>

namespace engine::ff {

CutPlan reencodeAll(CutPlan plan, const QString& why) {
    plan.headEnd = plan.tailStart = plan.out;
    plan.copyFirst = plan.copyEnd = plan.dropLeading = 0;
    plan.why = why;
    return plan;
}

namespace {

// Every packet decoded in [first, end), but the `skipped` after the first, is displayed inside [from, to).
bool selfContained(const SourceIndex& index, int first, int end, int skipped, int64_t from, int64_t to) {
    for (int i = first; i < end; ++i)
        if ((i == first || i > first + skipped) &&
            (index.packets[size_t(i)].display < from || index.packets[size_t(i)].display >= to))
            return false;
    return true;
}

// Where a copied stretch may start or end: at a splice packet (decode position), showing its pictures
// from `enter` on when the copy starts there, and those up to `leave` when it ends before it. An open
// GOP's leading pictures lie between the two.
struct Splice {
    int position = 0;
    int64_t enter = 0, leave = 0;
    int leading = 0;
};

std::vector<Splice> splicesOf(const SourceIndex& index) {
    std::vector<Splice> out;
    for (size_t i = 0; i < index.packets.size(); ++i) {
        const IndexedPacket& p = index.packets[i];
        if (p.splice || p.gopStart)
            out.push_back({int(i), p.display, p.display - p.leading, p.leading});
    }
    std::sort(out.begin(), out.end(), [](const Splice& a, const Splice& b) { return a.enter < b.enter; });
    return out;
}

} // namespace

CutPlan planCut(const SourceIndex& index, int64_t in, int64_t out) {
    CutPlan plan;
    plan.in = in;
    plan.out = out;
    std::vector<Splice> splices = splicesOf(index);
    if (index.frames == out) // the clip's end closes the last stretch
        splices.push_back({int(index.packets.size()), out, out, 0});

    // An H.264 head of a single picture would put two IDR pictures with the same id next to each other:
    // start copying at the next splice point instead.
    const bool h264 = index.codec == AV_CODEC_ID_H264;
    auto start = std::find_if(splices.begin(), splices.end(), [&](const Splice& s) {
        return s.enter >= in && s.enter < out && !(h264 && s.enter - in == 1);
    });
    if (start == splices.end())
        return reencodeAll(plan, texts::noCleanSplicePoint());
    auto end = std::find_if(splices.rbegin(), splices.rend(),
                            [&](const Splice& s) { return s.leave <= out && s.position > start->position; });
    if (end == splices.rend() || end->leave <= start->enter)
        return reencodeAll(plan, texts::spanShorterThanGop());

    plan.headEnd = start->enter;
    plan.tailStart = end->leave;
    plan.copyFirst = start->position;
    plan.copyEnd = end->position;
    plan.dropLeading = start->leading;
    if (!selfContained(index, plan.copyFirst, plan.copyEnd, plan.dropLeading, plan.headEnd, plan.tailStart))
        return reencodeAll(plan, texts::gopsReferAcrossSplices());
    return plan;
}

} // namespace engine::ff
