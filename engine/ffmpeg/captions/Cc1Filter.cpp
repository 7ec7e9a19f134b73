#include "captions/Cc1Filter.h"

namespace engine::ff {

void Cc1Filter::filter(const uint8_t* ccData, size_t size, std::vector<uint8_t>& out) {
    out.clear();
    for (size_t i = 0; i + 3 <= size; i += 3) {
        const uint8_t header = ccData[i];
        const bool valid = header & 0x04;
        const int type = header & 0x03; // 0: field 1, 1: field 2, 2/3: 708 data
        if (!valid || type != 0)
            continue;
        const uint8_t first = ccData[i + 1] & 0x7f;
        if (first >= 0x10 && first <= 0x1f)
            channelOne_ = !(first & 0x08);
        if (!channelOne_)
            continue;
        out.insert(out.end(), ccData + i, ccData + i + 3);
    }
}

} // namespace engine::ff
