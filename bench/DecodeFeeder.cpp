#include "DecodeFeeder.h"

#include <algorithm>
#include <cmath>

extern "C" {
#include <libavutil/opt.h>
}

namespace bench {
using namespace engine::ff;

namespace {
constexpr int kRate = 48000;
constexpr int kOut = AudioBlock::kOutputChannels;

double secondsOf(int64_t ts, const AVStream* st, int64_t start) {
    return ts == AV_NOPTS_VALUE ? 0.0 : double(ts - start) * av_q2d(st->time_base);
}
} // namespace

QString DecodeFeeder::open(const QString& path) {
    path_ = path;
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, path.toUtf8().constData(), nullptr, nullptr) < 0)
        return "cannot open " + path;
    input_.reset(raw);
    avformat_find_stream_info(raw, nullptr);
    int nextChannel = 0;
    for (unsigned i = 0; i < raw->nb_streams; ++i) {
        const AVCodecParameters* par = raw->streams[i]->codecpar;
        const AVCodec* dec = avcodec_find_decoder(par->codec_id);
        if (!dec)
            continue;
        AVCodecContextPtr ctx(avcodec_alloc_context3(dec));
        avcodec_parameters_to_context(ctx.get(), par);
        ctx->thread_count = 0;
        if (avcodec_open2(ctx.get(), dec, nullptr) < 0)
            continue;
        if (par->codec_type == AVMEDIA_TYPE_VIDEO && videoStream_ < 0) {
            videoStream_ = int(i);
            video_ = std::move(ctx);
            const AVRational fr = raw->streams[i]->avg_frame_rate;
            if (fr.num > 0)
                frameSeconds_ = av_q2d(av_inv_q(fr));
        } else if (par->codec_type == AVMEDIA_TYPE_AUDIO && nextChannel < kOut) {
            AudioTrack t;
            t.stream = int(i);
            t.channels = std::min(par->ch_layout.nb_channels, kOut - nextChannel);
            t.firstChannel = nextChannel;
            nextChannel += t.channels;
            t.decoder = std::move(ctx);
            tracks_.push_back(std::move(t));
        }
    }
    return videoStream_ < 0 ? "no video in " + path : QString();
}

void DecodeFeeder::decodeAudio(AudioTrack& t, AVPacket* pkt, double in) {
    AVFramePtr f = makeFrame();
    avcodec_send_packet(t.decoder.get(), pkt);
    const AVStream* st = input_->streams[t.stream];
    const int64_t start = input_->start_time == AV_NOPTS_VALUE
                              ? 0
                              : av_rescale_q(input_->start_time, AV_TIME_BASE_Q, st->time_base);
    while (avcodec_receive_frame(t.decoder.get(), f.get()) >= 0) {
        if (!t.swr) {
            AVChannelLayout outLayout{};
            av_channel_layout_default(&outLayout, f->ch_layout.nb_channels);
            SwrContext* s = nullptr;
            swr_alloc_set_opts2(&s, &outLayout, AV_SAMPLE_FMT_FLT, kRate, &f->ch_layout,
                                AVSampleFormat(f->format), f->sample_rate, 0, nullptr);
            swr_init(s);
            t.swr.reset(s);
        }
        const int ch = f->ch_layout.nb_channels;
        const int room = swr_get_out_samples(t.swr.get(), f->nb_samples);
        std::vector<float> buf(size_t(room) * size_t(ch));
        uint8_t* out[] = {reinterpret_cast<uint8_t*>(buf.data())};
        const int got =
            swr_convert(t.swr.get(), out, room, const_cast<const uint8_t**>(f->extended_data), f->nb_samples);
        if (got <= 0)
            continue;
        int64_t skip = 0;
        if (!t.started) {
            const double t0 = secondsOf(f->best_effort_timestamp, st, start);
            const int64_t offset = std::llround((t0 - in) * kRate);
            if (offset > 0)
                t.samples.resize(size_t(offset) * size_t(t.channels), 0.0f);
            skip = std::max<int64_t>(0, -offset);
            if (skip >= got)
                continue;
            t.started = true;
        }
        for (int64_t i = skip; i < got; ++i)
            for (int c = 0; c < t.channels; ++c)
                t.samples.push_back(buf[size_t(i) * size_t(ch) + size_t(c)]);
    }
}

void DecodeFeeder::emitReady(bool draining) {
    while (!pictures_.empty()) {
        const FrameHandle& pic = pictures_.front();
        const int64_t until = std::llround((pic->position + pic->duration - in_) * kRate);
        const int64_t need = until - audioSent_;
        bool ready = true;
        for (const auto& t : tracks_)
            if (int64_t(t.samples.size()) / t.channels < need)
                ready = !draining ? false : ready;
        if (!ready)
            return;
        if (need > 0 && !tracks_.empty()) {
            auto block = std::make_shared<AudioBlock>();
            block->position = in_ + double(audioSent_) / kRate;
            block->samples.assign(size_t(need) * kOut, 0.0f);
            for (auto& t : tracks_) {
                const int64_t have = std::min<int64_t>(need, int64_t(t.samples.size()) / t.channels);
                for (int64_t i = 0; i < have; ++i)
                    for (int c = 0; c < t.channels; ++c)
                        block->samples[size_t(i) * kOut + size_t(t.firstChannel + c)] =
                            t.samples[size_t(i) * size_t(t.channels) + size_t(c)];
                t.samples.erase(t.samples.begin(), t.samples.begin() + have * t.channels);
            }
            audioSent_ = until;
            for (auto* s : sinks_)
                s->onAudio(block);
        }
        for (auto* s : sinks_)
            s->onVideo(pic);
        pictures_.erase(pictures_.begin());
    }
}

QString DecodeFeeder::play(double in, double out) {
    in_ = in;
    state_ = 3;
    for (auto* s : sinks_)
        s->onSourceState(3, false);
    const AVStream* vs = input_->streams[videoStream_];
    const int64_t start = input_->start_time == AV_NOPTS_VALUE
                              ? 0
                              : av_rescale_q(input_->start_time, AV_TIME_BASE_Q, vs->time_base);
    av_seek_frame(input_.get(), videoStream_, start + int64_t(in / av_q2d(vs->time_base)),
                  AVSEEK_FLAG_BACKWARD);
    AVPacketPtr pkt = makePacket();
    AVFramePtr f = makeFrame();
    bool pastOut = false;
    auto takeVideo = [&] {
        while (avcodec_receive_frame(video_.get(), f.get()) >= 0) {
            const double t = secondsOf(f->best_effort_timestamp, vs, start);
            if (t >= out - frameSeconds_ / 2)
                pastOut = true;
            if (t < in - frameSeconds_ / 2 || pastOut) {
                av_frame_unref(f.get());
                continue;
            }
            auto vf = std::make_shared<VideoFrame>();
            vf->frame.reset(av_frame_clone(f.get()));
            vf->position = t;
            vf->duration = frameSeconds_;
            vf->index = std::llround(t / frameSeconds_);
            vf->interlaced = f->interlaced_frame;
            vf->topFieldFirst = f->top_field_first;
            vf->sampleAspect = f->sample_aspect_ratio;
            pictures_.push_back(vf);
            av_frame_unref(f.get());
        }
    };
    // Past the out point, reading goes on only for the sound of pictures still waiting.
    while ((!pastOut || !pictures_.empty()) && av_read_frame(input_.get(), pkt.get()) >= 0) {
        if (pkt->stream_index == videoStream_) {
            if (pastOut) {
                av_packet_unref(pkt.get());
                continue;
            }
            avcodec_send_packet(video_.get(), pkt.get());
            takeVideo();
        } else {
            for (auto& t : tracks_)
                if (t.stream == pkt->stream_index)
                    decodeAudio(t, pkt.get(), in);
        }
        av_packet_unref(pkt.get());
        emitReady(false);
    }
    if (!pastOut) {
        avcodec_send_packet(video_.get(), nullptr);
        takeVideo();
    }
    emitReady(true);
    state_ = 1;
    for (auto* s : sinks_)
        s->onSourceState(1, false);
    return {};
}

} // namespace bench
