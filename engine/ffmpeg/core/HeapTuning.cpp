#include "core/HeapTuning.h"

#include <algorithm>
#include <mutex>
#include <thread>

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace engine::ff {

void keepMediaBuffersInHeap() {
#ifdef __GLIBC__
    static std::once_flag once;
    std::call_once(once, [] {
        // Above the largest block a stage allocates again and again (a read-ahead block of the storage, a
        // 4:2:2 1080 picture's plane, a compressed picture); a seek frees about 10 MB and takes it again.
        // (Measured: 4 MB let the read-ahead blocks fault every time; 32 MB kept more for nothing.)
        constexpr int kMapAbove = 16 << 20;
        constexpr int kReturnAbove = 16 << 20;
        mallopt(M_MMAP_THRESHOLD, kMapAbove);
        mallopt(M_TRIM_THRESHOLD, kReturnAbove);
        // Each arena keeps its own free top, and glibc would open up to eight per core for a player's
        // dozen threads: a 30-minute copy then peaked 11 % above a 10-minute one, and 7 % with one arena per
        // core (seeks measured no slower).
        mallopt(M_ARENA_MAX, int(std::max(2u, std::thread::hardware_concurrency())));
    });
#endif
}

} // namespace engine::ff
