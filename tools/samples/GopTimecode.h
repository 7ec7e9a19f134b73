#pragma once
// The time code an MPEG-2 GOP header carries, set in a coded picture that is copied, not re-encoded.
#include <cstdint>

namespace samples::live {

// Sets the time code of the GOP header (if any) before the first picture of an MPEG-2 video packet to
// `frame` (a count of frames at `timecodeRate` a second, wrapping at 24 hours; non-drop). Returns
// whether there was one.
bool setGopTimecode(uint8_t* data, int size, int64_t frame, int timecodeRate);

} // namespace samples::live
