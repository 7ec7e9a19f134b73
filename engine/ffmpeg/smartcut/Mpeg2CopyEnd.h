#pragma once
// The end of an MPEG-2 copy read back: in an open GOP the B pictures shown just before the next I picture
// come with that I picture's packets, so where the copy may stop is found from display order; decoding the
// copy's last GOP from the written file against the source shows that every copied picture came out whole.
#include <QString>

#include "smartcut/CutPlan.h"
#include "smartcut/SourceIndex.h"

namespace engine::ff {

// Empty when the written file's copied pictures from the I picture of the copy's last GOP up to the tail
// decode exactly as the source's do; else the reason. (Its leading pictures, shown before it, depend on
// the copy's end no more than any other copied picture does.)
QString checkCopyEnd(const SourceIndex& source, const SourceIndex& written, const CutPlan& plan);

} // namespace engine::ff
