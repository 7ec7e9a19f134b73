#pragma once
// Media buffers (a compressed picture of a few hundred kB, a decoded one of several MB) are allocated and
// freed all the time. Left to itself, glibc serves blocks above a threshold it moves with the order of
// earlier frees from fresh mappings, and gives freed heap tops back to the system: in some runs of the
// player every seek then faults in several MB of new pages (measured on MPEG-2 seeks: six times the page
// faults, half as slow again). Fixed thresholds keep such blocks in the heap to be used again; the heap
// then stays as large as its peak, which the stages' own bounds keep bounded, and arenas are one per core.

namespace engine::ff {

void keepMediaBuffersInHeap();

} // namespace engine::ff
