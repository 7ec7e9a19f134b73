#include "audio/StreamResampler.h"

extern "C" {
#include <libavutil/opt.h>
}

namespace engine::ff {

bool StreamResampler::configure(const AVFrame& frame) {
    if (swr_ && frame.sample_rate == inRate_ && frame.format == inFormat_ &&
        av_channel_layout_compare(&frame.ch_layout, &inLayout_) == 0)
        return true;
    swr_.reset();
    av_channel_layout_uninit(&inLayout_);
    if (frame.ch_layout.nb_channels <= 0 || frame.sample_rate <= 0)
        return false;
    if (av_channel_layout_copy(&inLayout_, &frame.ch_layout) < 0)
        return false;
    inRate_ = frame.sample_rate;
    inFormat_ = frame.format;

    // Same layout in and out: only the sample format and rate change, never the channels.
    SwrContext* raw = nullptr;
    if (swr_alloc_set_opts2(&raw, &inLayout_, AV_SAMPLE_FMT_FLTP, outputRate_, &inLayout_,
                            AVSampleFormat(inFormat_), inRate_, 0, nullptr) < 0)
        return false;
    swr_.reset(raw);
    if (swr_init(swr_.get()) < 0) {
        swr_.reset();
        return false;
    }
    return true;
}

bool StreamResampler::convert(const AVFrame& frame, std::vector<std::vector<float>>& planes) {
    if (!configure(frame))
        return false;
    return run(frame.extended_data, frame.nb_samples, planes);
}

void StreamResampler::flush(std::vector<std::vector<float>>& planes) {
    if (swr_)
        run(nullptr, 0, planes);
}

bool StreamResampler::run(const uint8_t* const* input, int samples, std::vector<std::vector<float>>& planes) {
    const int channels = inLayout_.nb_channels;
    planes.resize(size_t(channels));
    const int capacity = swr_get_out_samples(swr_.get(), samples);
    if (capacity <= 0)
        return true;

    std::vector<uint8_t*> out(static_cast<size_t>(channels));
    std::vector<size_t> before(static_cast<size_t>(channels));
    for (int c = 0; c < channels; ++c) {
        before[size_t(c)] = planes[size_t(c)].size();
        planes[size_t(c)].resize(before[size_t(c)] + size_t(capacity));
        out[size_t(c)] = reinterpret_cast<uint8_t*>(planes[size_t(c)].data() + before[size_t(c)]);
    }
    const int got =
        swr_convert(swr_.get(), out.data(), capacity, const_cast<const uint8_t**>(input), samples);
    for (int c = 0; c < channels; ++c)
        planes[size_t(c)].resize(before[size_t(c)] + size_t(std::max(got, 0)));
    return got >= 0;
}

void StreamResampler::reset() {
    swr_.reset();
    av_channel_layout_uninit(&inLayout_);
    inRate_ = 0;
    inFormat_ = -1;
}

} // namespace engine::ff
