#pragma once
// How many threads FFmpeg may start inside one codec. The thread-sanitizer build (VELTRA_TSAN) keeps every
// codec on the thread that calls it: FFmpeg is not built for the sanitizer, so the hand-overs between its own
// threads are invisible to it and would show as races in memory our code then reads or frees.

namespace engine::ff {

// `wanted` as FFmpeg counts it (0: as many as the machine has).
constexpr int codecThreads(int wanted) {
#ifdef VELTRA_TSAN
    (void)wanted;
    return 1;
#else
    return wanted;
#endif
}

} // namespace engine::ff
