#pragma once
// A cut of a constant-rate MPEG-2 source stays constant-rate: the head is encoded to leave the decoder's
// buffer where the copied pictures expect it, the tail to start from where the copy leaves it, and both
// have their vbv_delay stated from that buffer.
#include <optional>

#include "smartcut/CutPlan.h"
#include "smartcut/SpanEncoder.h"

namespace engine::ff {

struct SpliceLevels {
    VbvBuffer buffer;
    double copyStart = 0; // bits in the buffer before the copy's first picture is taken; 0: no copy follows
    double tailStart = 0; // and before the tail's first
    int copyStartDelay = kVbvDelayUnstated; // the vbv_delay the copy's first picture states then
};

// The source's buffer when every picture states its vbv_delay (a constant-rate stream); nullopt else.
std::optional<VbvBuffer> constantRateBufferOf(const SourceIndex& index);

// Where the buffer stands at the splices so that every copied picture is taken at the level it was in
// the source: the leading pictures an open GOP's copy leaves out no longer take their share of it.
std::optional<SpliceLevels> spliceLevelsOf(const SourceIndex& index, const CutPlan& plan);

// [from, to) encoded as encodeSpan does, fitted to the buffer: the head (`head` set) to leave it at
// levels.copyStart (a span re-encoded whole is a head that leaves it anywhere), the tail to start from
// levels.tailStart. Encoded again aiming lower while it does
// not fit; the reason when even the lowest aim does not.
QString encodeFitted(const SourceIndex& index, int64_t from, int64_t to, int64_t origin,
                     const SpliceLevels& levels, bool head, EncodedSpan& out);

} // namespace engine::ff
