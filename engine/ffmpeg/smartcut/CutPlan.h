#pragma once
// Where an export of [in, out) is re-encoded and where the source's own packets are copied.
#include <QString>
#include <cstdint>

#include "smartcut/SourceIndex.h"

namespace engine::ff {

struct CutPlan {
    int64_t in = 0, out = 0;
    // [in, headEnd) and [tailStart, out) are re-encoded; [headEnd, tailStart) is copied packet for packet
    // from decode positions [copyFirst, copyEnd). Without a copied part headEnd == tailStart == out.
    int64_t headEnd = 0, tailStart = 0;
    int copyFirst = 0, copyEnd = 0;
    // Leading pictures of an open GOP that follow copyFirst in decode order: left out of the copy (they
    // are shown in the head), the rest of their GOP renumbered and the GOP marked closed.
    int dropLeading = 0;
    bool copies() const { return tailStart > headEnd; }
    QString why; // why nothing is copied
};

CutPlan planCut(const SourceIndex& index, int64_t in, int64_t out);
// The plan's span re-encoded whole, for `why`.
CutPlan reencodeAll(CutPlan plan, const QString& why);

} // namespace engine::ff
