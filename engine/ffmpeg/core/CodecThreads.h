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

// For a decoder (`wanted` 0: as suits the machine). FFmpeg's own count is one more than the cores; two kinds
// of decoder keep the cores busier with more:
// - One that only splits each picture into as many bands as it has threads (MPEG-2) decodes the last band
//   alone after the others: on two cores it was 15 % slower than with two or four. It gets twice as many
//   threads as there are cores.
// - A frame-threaded decoder of pictures that refer to others (H.264): a thread whose picture waits for rows
//   of the one it refers to takes no core, and a seek decodes nothing but such a chain. With twice FFmpeg's
//   count (6 on two cores) seeks on interlaced and progressive H.264 took 8-15 % less; 4 was no better than 3.
//   Decoders of pictures that stand alone keep FFmpeg's count.
inline int decoderThreads(const AVCodec& codec, int wanted) {
    constexpr int kMaxThreads = 16;
    if (wanted != 0)
        return codecThreads(wanted);
    const int cores = av_cpu_count();
    const bool frames = codec.capabilities & AV_CODEC_CAP_FRAME_THREADS;
    if ((codec.capabilities & AV_CODEC_CAP_SLICE_THREADS) && !frames)
        return codecThreads(std::min(kMaxThreads, 2 * cores));
    const AVCodecDescriptor* kind = avcodec_descriptor_get(codec.id);
    if (frames && kind && !(kind->props & AV_CODEC_PROP_INTRA_ONLY))
        return codecThreads(std::min(kMaxThreads, 2 * (cores + 1)));
    return codecThreads(0);
}

} // namespace engine::ff
