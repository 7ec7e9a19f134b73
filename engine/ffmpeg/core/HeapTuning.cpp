#include "core/HeapTuning.h"

#include <mutex>

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace engine::ff {

void keepMediaBuffersInHeap() {
#ifdef __GLIBC__
    static std::once_flag once;
    std::call_once(once, [] {
        // The largest threshold glibc takes; a 4:2:2 1080 picture's planes are well under it.
        constexpr int kMapAbove = 32 << 20;
        constexpr int kReturnAbove = 32 << 20;
        mallopt(M_MMAP_THRESHOLD, kMapAbove);
        mallopt(M_TRIM_THRESHOLD, kReturnAbove);
    });
#endif
}

} // namespace engine::ff
