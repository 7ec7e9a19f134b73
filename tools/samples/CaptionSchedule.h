#pragma once
// The CEA-608 byte pair sent with each video frame of a captioned clip.
#include <array>
#include <cstdint>

namespace samples {

// Field-1 (CC1) pair for the frame, odd parity applied; a null pair when nothing is due.
std::array<uint8_t, 2> captionPairForFrame(int64_t frameNumber, double framesPerSecond);

} // namespace samples
