#include "source/StreamSound.h"

extern "C" {
#include <libavutil/channel_layout.h>
}

namespace engine::ff {

StreamSound::StreamSound(const MediaFile& file, const AudioStreamInfo& info, int merged)
    : codec_(openDecoder(*file.format()->streams[info.index], 1)), channels_(info.channels), merged_(merged),
      time_(info.time) {}

void StreamSound::decode(const AVPacket* packet, AudioMerger& merger) {
    if (codec_ && (avcodec_send_packet(codec_.get(), packet) >= 0 || !packet))
        while (avcodec_receive_frame(codec_.get(), scratch_.get()) == 0) {
            convert(*scratch_, merger);
            av_frame_unref(scratch_.get());
        }
    if (!packet)
        merger.endStream(merged_);
}

void StreamSound::flush() {
    if (codec_)
        avcodec_flush_buffers(codec_.get());
    swr_.reset();
}

void StreamSound::convert(AVFrame& f, AudioMerger& merger) {
    // A stream may change its sound format midway (or seem to, when damaged); the converter reads as
    // many planes as it was set up for, so it is set up anew.
    if (swr_ && (f.format != swrFormat_ || f.sample_rate != swrRate_ || f.ch_layout.nb_channels != swrChannels_))
        swr_.reset();
    if (!swr_) {
        AVChannelLayout out;
        av_channel_layout_default(&out, channels_);
        SwrContext* swr = nullptr;
        swr_alloc_set_opts2(&swr, &out, AV_SAMPLE_FMT_FLT, AudioMerger::kSampleRate, &f.ch_layout,
                            AVSampleFormat(f.format), f.sample_rate, 0, nullptr);
        swr_.reset(swr);
        if (!swr || swr_init(swr) < 0) {
            swr_.reset();
            return;
        }
        swrFormat_ = f.format;
        swrRate_ = f.sample_rate;
        swrChannels_ = f.ch_layout.nb_channels;
    }
    const double pos =
        f.best_effort_timestamp != AV_NOPTS_VALUE ? time_.seconds(f.best_effort_timestamp) : nextPosition_;
    const int capacity = swr_get_out_samples(swr_.get(), f.nb_samples);
    std::vector<float> buf(size_t(std::max(capacity, 0)) * size_t(channels_));
    uint8_t* outPlanes[] = {reinterpret_cast<uint8_t*>(buf.data())};
    const int got =
        swr_convert(swr_.get(), outPlanes, capacity, const_cast<const uint8_t**>(f.extended_data), f.nb_samples);
    nextPosition_ = pos + double(f.nb_samples) / std::max(1, f.sample_rate);
    if (got > 0)
        merger.push(merged_, pos, buf.data(), got);
}

} // namespace engine::ff
