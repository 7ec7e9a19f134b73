#pragma once
// Test audio: decoded-looking frames of known content, and measurements of what comes out.
#include <cstdint>
#include <vector>

#include "core/AvPtr.h"

namespace avtest {

// A frame of `channels` channels in `format` at `rate`; channel c holds value(c, i) at sample i.
template <class Fn>
engine::ff::AVFramePtr makeAudioFrame(int channels, AVSampleFormat format, int rate, int samples, Fn value) {
    auto frame = engine::ff::makeFrame();
    frame->format = format;
    frame->sample_rate = rate;
    frame->nb_samples = samples;
    av_channel_layout_default(&frame->ch_layout, channels);
    if (av_frame_get_buffer(frame.get(), 0) < 0)
        return nullptr;
    const bool planar = av_sample_fmt_is_planar(format);
    for (int c = 0; c < channels; ++c) {
        for (int i = 0; i < samples; ++i) {
            const double v = value(c, i);
            const size_t at = planar ? size_t(i) : size_t(i) * size_t(channels) + size_t(c);
            uint8_t* plane = frame->extended_data[planar ? c : 0];
            switch (format) {
            case AV_SAMPLE_FMT_S16:
            case AV_SAMPLE_FMT_S16P:
                reinterpret_cast<int16_t*>(plane)[at] = int16_t(v * 32767);
                break;
            case AV_SAMPLE_FMT_S32:
            case AV_SAMPLE_FMT_S32P:
                reinterpret_cast<int32_t*>(plane)[at] = int32_t(v * 2147483647.0);
                break;
            default:
                reinterpret_cast<float*>(plane)[at] = float(v);
            }
        }
    }
    return frame;
}

// Sine of `frequency` Hz peaking at `amplitude` on every one of `channels` interleaved channels.
std::vector<float> sineInterleaved(int channels, int rate, double frequency, double amplitude, int frames);

// Frequency of a pure tone in one channel of interleaved audio, from its rising zero crossings.
double toneFrequency(const std::vector<float>& interleaved, int channels, int channel, int rate);

} // namespace avtest
