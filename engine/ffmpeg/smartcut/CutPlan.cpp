#include "smartcut/CutPlan.h"
#include "engine/OperatorTexts.h"

#include <algorithm>
#include <functional>
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

// Where a copied stretch may start or end: at a decode position, showing its pictures from `enter` on
// when the copy starts there, and those before `leave` when it ends before it. An open GOP's leading
// pictures lie between the two.
struct Splice {
    int position = 0;
    int64_t enter = 0, leave = 0;
    int leading = 0;
};

// The packets `where` picks, in decode order.
std::vector<Splice> splicesWhere(const SourceIndex& index, const std::function<bool(size_t)>& where) {
    std::vector<Splice> out;
    for (size_t i = 0; i < index.packets.size(); ++i)
        if (const IndexedPacket& p = index.packets[i]; where(i))
            out.push_back({int(i), p.display, p.shownFrom, p.leading});
    return out;
}

// Starts, by the first frame they show: splice points and (MPEG-2) GOP starts.
std::vector<Splice> startsOf(const SourceIndex& index) {
    std::vector<Splice> out = splicesWhere(index, [&](size_t i) {
        return index.packets[i].splice || index.packets[i].gopStart;
    });
    std::sort(out.begin(), out.end(), [](const Splice& a, const Splice& b) { return a.enter < b.enter; });
    return out;
}

// Ends, in decode order (and so by the frames left before them). H.264 ends a copy wherever decode and
// display order agree, the tail then re-encoded from there; but not right after an IDR picture, which
// the tail's own IDR would follow with the same id. MPEG-2 ends one before a GOP start, where the
// buffer is fitted.
std::vector<Splice> endsOf(const SourceIndex& index) {
    const bool h264 = index.codec == AV_CODEC_ID_H264;
    std::vector<Splice> out = splicesWhere(index, [&](size_t i) {
        const IndexedPacket& p = index.packets[i];
        const bool afterIdr = i > 0 && index.packets[i - 1].splice;
        return p.splice || p.gopStart || (h264 && p.orderAgrees && !afterIdr);
    });
    if (index.whole && index.frames > 0) // the clip's end closes the last stretch
        out.push_back({int(index.packets.size()), index.frames, index.frames, 0});
    return out;
}

} // namespace

CutPlan planCut(const SourceIndex& index, int64_t in, int64_t out) {
    CutPlan plan;
    plan.in = in;
    plan.out = out;
    const std::vector<Splice> starts = startsOf(index), ends = endsOf(index);

    // An H.264 head of a single picture would put two IDR pictures with the same id next to each other:
    // start copying at the next splice point instead.
    const bool h264 = index.codec == AV_CODEC_ID_H264;
    auto start = std::find_if(starts.begin(), starts.end(), [&](const Splice& s) {
        return s.enter >= in && s.enter < out && !(h264 && s.enter - in == 1);
    });
    if (start == starts.end())
        return reencodeAll(plan, texts::noCleanSplicePoint());
    auto end = std::find_if(ends.rbegin(), ends.rend(),
                            [&](const Splice& s) { return s.leave <= out && s.position > start->position; });
    if (end == ends.rend() || end->leave <= start->enter)
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
