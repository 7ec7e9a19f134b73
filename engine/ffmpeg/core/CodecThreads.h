#pragma once
// How many threads FFmpeg may start inside one codec. The thread-sanitizer build (VELTRA_TSAN) keeps every
// codec on the thread that calls it: FFmpeg is not built for the sanitizer, so the hand-overs between its own
// threads are invisible to it and would show as races in memory our code then reads or frees.
#include <algorithm>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/cpu.h>
}

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

// For a decoder. FFmpeg's own count (for 0) is one more than the cores; a decoder that only splits each
// picture into as many bands as it has threads (MPEG-2) then decodes the last band alone after the others:
// on two cores it was 15 % slower than with two or four. Such a decoder gets twice as many as the cores.
inline int decoderThreads(const AVCodec& codec, int wanted) {
    constexpr int kMaxThreads = 16;
    const bool bandsOnly = (codec.capabilities & AV_CODEC_CAP_SLICE_THREADS) &&
                           !(codec.capabilities & AV_CODEC_CAP_FRAME_THREADS);
    return codecThreads(wanted == 0 && bandsOnly ? std::min(kMaxThreads, 2 * av_cpu_count()) : wanted);
}

} // namespace engine::ff
