#include "GopTimecode.h"

namespace samples::live {
namespace {

constexpr uint8_t kGopStartCode = 0xB8;
constexpr uint8_t kPictureStartCode = 0x00;

} // namespace

bool setGopTimecode(uint8_t* data, int size, int64_t frame, int timecodeRate) {
    const int64_t day = int64_t(24) * 3600 * timecodeRate;
    frame = ((frame % day) + day) % day;
    const uint32_t pictures = uint32_t(frame % timecodeRate);
    const uint32_t seconds = uint32_t(frame / timecodeRate);
    // drop_frame_flag(1) hours(5) minutes(6) marker_bit(1) seconds(6) pictures(6)
    const uint32_t timeCode =
        (seconds / 3600) << 19 | (seconds / 60 % 60) << 13 | 1u << 12 | (seconds % 60) << 6 | pictures;
    for (int i = 0; i + 8 <= size; ++i) {
        if (data[i] != 0 || data[i + 1] != 0 || data[i + 2] != 1)
            continue;
        if (data[i + 3] == kPictureStartCode)
            return false;
        if (data[i + 3] != kGopStartCode)
            continue;
        uint8_t* field = data + i + 4;
        // The 25 bits of time code are followed by closed_gop and broken_link, which stay.
        const uint32_t old =
            uint32_t(field[0]) << 24 | uint32_t(field[1]) << 16 | uint32_t(field[2]) << 8 | field[3];
        const uint32_t updated = timeCode << 7 | (old & 0x7F);
        for (int b = 0; b < 4; ++b)
            field[b] = uint8_t(updated >> (24 - 8 * b));
        return true;
    }
    return false;
}

} // namespace samples::live
