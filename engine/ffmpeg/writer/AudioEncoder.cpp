#include "writer/AudioEncoder.h"

#include <algorithm>

#include "core/AvError.h"
#include "engine/OperatorTexts.h"
#include "writer/ChoiceAttributes.h"

extern "C" {
#include <libavutil/audio_fifo.h>
}

namespace engine::ff {
namespace {

bool pickLayout(const AVCodec* codec, int channels, AVChannelLayout& layout) {
    if (!codec->ch_layouts) {
        av_channel_layout_default(&layout, channels);
        return true;
    }
    for (const AVChannelLayout* l = codec->ch_layouts; l->nb_channels; ++l)
        if (l->nb_channels == channels)
            return av_channel_layout_copy(&layout, l) == 0;
    return false;
}

void mixInto(const AudioBlock& block, int from, int outChannels, std::vector<float>& out) {
    const int inChannels = block.channels;
    const int frames = block.frames();
    const size_t base = out.size();
    out.resize(base + size_t(frames - from) * size_t(outChannels), 0.0f);
    float* dst = out.data() + base;
    for (int i = from; i < frames; ++i, dst += outChannels) {
        const float* src = block.samples.data() + size_t(i) * size_t(inChannels);
        for (int k = 0; k < inChannels; ++k)
            dst[k % outChannels] += src[k];
        if (inChannels > outChannels)
            for (int j = 0; j < outChannels; ++j)
                dst[j] = std::clamp(dst[j], -1.0f, 1.0f);
    }
}

} // namespace

AudioEncoder::~AudioEncoder() {
    if (fifo_)
        av_audio_fifo_free(fifo_);
}

std::unique_ptr<AudioEncoder> AudioEncoder::open(const AVCodec* codec, const AttributeValues& options,
                                                 bool globalHeader, QString& error) {
    auto enc = std::unique_ptr<AudioEncoder>(new AudioEncoder);
    enc->ctx_ = allocEncoder(codec);
    AVCodecContext* ctx = enc->ctx_.get();
    if (!ctx) {
        error = texts::outOfMemoryForCodec(codec->name);
        return nullptr;
    }
    if (error = applyEncoderOptions(ctx, options); !error.isEmpty())
        return nullptr;
    const QString ac = optionValue(options, QStringLiteral("ac"));
    enc->channels_ =
        std::clamp(ac.isEmpty() ? defaultChannelCount(codec) : ac.toInt(), 1, AudioBlock::kOutputChannels);
    if (!pickLayout(codec, enc->channels_, ctx->ch_layout)) {
        error = texts::codecCannotWriteChannels(codec->name, enc->channels_);
        return nullptr;
    }
    const QString ar = optionValue(options, QStringLiteral("ar"));
    ctx->sample_rate = ar.isEmpty() ? defaultSampleRate(codec) : ar.toInt();
    const QString sf = optionValue(options, QStringLiteral("sample_fmt"));
    ctx->sample_fmt = !sf.isEmpty()        ? av_get_sample_fmt(sf.toUtf8().constData())
                      : codec->sample_fmts ? codec->sample_fmts[0]
                                           : AV_SAMPLE_FMT_FLTP;
    ctx->time_base = {1, ctx->sample_rate};
    if (globalHeader)
        ctx->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (error = openEncoder(ctx, codec); !error.isEmpty())
        return nullptr;

    // Our channels are already mixed: the same layout on both sides converts them one to one.
    SwrContext* swr = nullptr;
    int rc = swr_alloc_set_opts2(&swr, &ctx->ch_layout, ctx->sample_fmt, ctx->sample_rate, &ctx->ch_layout,
                                 AV_SAMPLE_FMT_FLT, kInputRate, 0, nullptr);
    enc->swr_.reset(swr);
    if (rc >= 0)
        rc = swr_init(swr);
    enc->fifo_ = av_audio_fifo_alloc(ctx->sample_fmt, enc->channels_, 4096);
    if (rc < 0 || !enc->fifo_) {
        error = texts::cannotConvertSoundFor(codec->name, avErrorText(rc));
        return nullptr;
    }
    return enc;
}

void AudioEncoder::add(const AudioBlock& block, int64_t start) {
    if (block.channels <= 0 || block.sampleRate != kInputRate)
        return;
    const int64_t have = consumed_ + int64_t(pending_.size()) / channels_;
    if (start > have)
        pending_.resize(pending_.size() + size_t(start - have) * size_t(channels_), 0.0f);
    const int64_t skip = std::max<int64_t>(0, have - start);
    if (skip < block.frames())
        mixInto(block, int(skip), channels_, pending_);
}

QString AudioEncoder::feed(const float* samples, int frames, const PacketSink& sink) {
    const uint8_t* in[] = {reinterpret_cast<const uint8_t*>(samples)};
    const int room = int(swr_get_out_samples(swr_.get(), frames));
    if (room > 0) {
        uint8_t** out = nullptr;
        if (av_samples_alloc_array_and_samples(&out, nullptr, channels_, room, ctx_->sample_fmt, 0) < 0)
            return texts::outOfMemoryForSound();
        const int got = swr_convert(swr_.get(), out, room, samples ? in : nullptr, frames);
        if (got > 0)
            av_audio_fifo_write(fifo_, reinterpret_cast<void**>(out), got);
        av_freep(&out[0]);
        av_freep(&out);
        if (got < 0)
            return texts::soundConversionFailed(avErrorText(got));
    }
    return encodeFrames(false, sink);
}

QString AudioEncoder::encodeFrames(bool all, const PacketSink& sink) {
    const bool variable =
        ctx_->frame_size <= 0 || (ctx_->codec->capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE);
    const int frameSize = ctx_->frame_size > 0 ? ctx_->frame_size : 1024;
    while (av_audio_fifo_size(fifo_) >= frameSize || (all && av_audio_fifo_size(fifo_) > 0)) {
        const int n = std::min(frameSize, av_audio_fifo_size(fifo_));
        AVFramePtr frame = makeFrame();
        frame->nb_samples =
            n < frameSize && !variable && !(ctx_->codec->capabilities & AV_CODEC_CAP_SMALL_LAST_FRAME)
                ? frameSize
                : n;
        frame->format = ctx_->sample_fmt;
        frame->sample_rate = ctx_->sample_rate;
        av_channel_layout_copy(&frame->ch_layout, &ctx_->ch_layout);
        if (av_frame_get_buffer(frame.get(), 0) < 0)
            return texts::outOfMemoryForSound();
        if (frame->nb_samples > n)
            av_samples_set_silence(frame->extended_data, 0, frame->nb_samples, channels_, ctx_->sample_fmt);
        av_audio_fifo_read(fifo_, reinterpret_cast<void**>(frame->extended_data), n);
        frame->pts = outputPts_;
        outputPts_ += frame->nb_samples;
        if (QString error = encodeAndDrain(ctx_.get(), frame.get(), sink); !error.isEmpty())
            return error;
    }
    return {};
}

QString AudioEncoder::release(int64_t limit, const PacketSink& sink) {
    const int64_t available = int64_t(pending_.size()) / channels_;
    const int64_t n = std::min(available, limit - consumed_);
    if (n <= 0)
        return {};
    QString error = feed(pending_.data(), int(n), sink);
    pending_.erase(pending_.begin(), pending_.begin() + n * channels_);
    consumed_ += n;
    return error;
}

QString AudioEncoder::finish(int64_t total, const PacketSink& sink) {
    const int64_t have = consumed_ + int64_t(pending_.size()) / channels_;
    if (have < total)
        pending_.resize(pending_.size() + size_t(total - have) * size_t(channels_), 0.0f);
    if (QString error = release(total, sink); !error.isEmpty())
        return error;
    if (QString error = feed(nullptr, 0, sink); !error.isEmpty())
        return error; // resampler's tail
    if (QString error = encodeFrames(true, sink); !error.isEmpty())
        return error;
    return encodeAndDrain(ctx_.get(), nullptr, sink);
}

} // namespace engine::ff
