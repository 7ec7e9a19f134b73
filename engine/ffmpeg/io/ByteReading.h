#pragma once
// Small positioned reads for the container probes, which look at a few header bytes at a time.
#include <cstdint>

#include "engine_ffmpeg/ByteSource.h"

namespace engine::ff {

// Reads exactly `n` bytes at `offset`; false when fewer are there (end of what is on disk, or an error).
inline bool readExactly(ByteSource& bytes, int64_t offset, uint8_t* buf, int64_t n) {
    while (n > 0) {
        const int64_t got = bytes.readAt(offset, buf, n);
        if (got <= 0)
            return false;
        offset += got, buf += got, n -= got;
    }
    return true;
}

// Reads up to `n` bytes at `offset`, fewer at the end of what is on disk; negative on a read error.
inline int64_t readUpTo(ByteSource& bytes, int64_t offset, uint8_t* buf, int64_t n) {
    int64_t total = 0;
    while (total < n) {
        const int64_t got = bytes.readAt(offset + total, buf + total, n - total);
        if (got < 0)
            return got;
        if (got == 0)
            break;
        total += got;
    }
    return total;
}

inline uint64_t bigEndian(const uint8_t* p, int count) {
    uint64_t v = 0;
    for (int i = 0; i < count; ++i)
        v = (v << 8) | p[i];
    return v;
}

} // namespace engine::ff
