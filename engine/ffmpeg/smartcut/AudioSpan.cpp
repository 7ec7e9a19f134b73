#include "smartcut/AudioSpan.h"

#include <cmath>

#include "core/AvError.h"
#include "smartcut/Codecs.h"

extern "C" {
#include <libavutil/audio_fifo.h>
}

namespace engine::ff {
namespace {

struct FifoFree {
    void operator()(AVAudioFifo* f) const { av_audio_fifo_free(f); }
};
using AudioFifoPtr = std::unique_ptr<AVAudioFifo, FifoFree>;

AVCodecContextPtr openEncoder(const AVCodecContext* dec, const AVCodecParameters* src, QString& error) {
    const AVCodec* codec = avcodec_find_encoder(src->codec_id);
    if (!codec) {
        error =
            QStringLiteral("No encoder for the source's audio codec %1").arg(avcodec_get_name(src->codec_id));
        return nullptr;
    }
    AVCodecContextPtr enc(avcodec_alloc_context3(codec));
    enc->sample_rate = dec->sample_rate;
    enc->sample_fmt = dec->sample_fmt;
    av_channel_layout_copy(&enc->ch_layout, &dec->ch_layout);
    enc->time_base = {1, dec->sample_rate};
    enc->bit_rate = src->bit_rate > 0 ? src->bit_rate : 0;
    enc->bits_per_raw_sample = src->bits_per_raw_sample;
    if (int rc = avcodec_open2(enc.get(), codec, nullptr); rc < 0) {
        error = QStringLiteral("Cannot set up the %1 encoder: %2").arg(codec->name, avErrorText(rc));
        return nullptr;
    }
    return enc;
}

} // namespace

QString cutAudio(const SourceIndex& index, int stream, double fromSeconds, double toSeconds, AudioSpan& out) {
    QString error;
    AVInputPtr in = openClip(index.path, error);
    if (!in)
        return error;
    const AVStream* st = in->streams[stream];
    AVCodecContextPtr dec = openStreamDecoder(st, error);
    if (!dec)
        return error;
    AVCodecContextPtr encoder = openEncoder(dec.get(), st->codecpar, error);
    if (!encoder)
        return error;
    AVCodecContext* enc = encoder.get();
    out.encoder = std::move(encoder);
    const int rate = dec->sample_rate;
    const double zero = index.startSeconds();
    const int64_t first = std::llround(fromSeconds * rate);
    const int64_t end = std::llround(toSeconds * rate);
    AudioFifoPtr fifo(av_audio_fifo_alloc(enc->sample_fmt, enc->ch_layout.nb_channels, 4096));
    int64_t written = 0; // samples handed to the encoder
    const int chunk = enc->frame_size > 0 ? enc->frame_size : 1024;

    auto encodeQueued = [&](bool all) -> QString {
        while (av_audio_fifo_size(fifo.get()) >= chunk || (all && av_audio_fifo_size(fifo.get()) > 0)) {
            const int n = std::min(chunk, av_audio_fifo_size(fifo.get()));
            AVFramePtr f = makeFrame();
            f->nb_samples = n;
            f->format = enc->sample_fmt;
            f->sample_rate = rate;
            av_channel_layout_copy(&f->ch_layout, &enc->ch_layout);
            if (av_frame_get_buffer(f.get(), 0) < 0)
                return QStringLiteral("Out of memory cutting audio");
            av_audio_fifo_read(fifo.get(), reinterpret_cast<void**>(f->extended_data), n);
            f->pts = written;
            written += n;
            if (int rc = avcodec_send_frame(enc, f.get()); rc < 0)
                return QStringLiteral("Audio encoding failed: %1").arg(avErrorText(rc));
            if (QString e = takeEncodedPackets(enc, out.packets); !e.isEmpty())
                return e;
        }
        return {};
    };

    AVFramePtr frame = makeFrame();
    auto takeFrames = [&]() -> QString {
        while (avcodec_receive_frame(dec.get(), frame.get()) >= 0) {
            const int64_t ts = frame->best_effort_timestamp;
            const int64_t at = ts == AV_NOPTS_VALUE
                                   ? first + written + av_audio_fifo_size(fifo.get())
                                   : std::llround((double(ts) * av_q2d(st->time_base) - zero) * rate);
            const int64_t lo =
                std::max(at, std::max(first, first + written + av_audio_fifo_size(fifo.get())));
            const int64_t hi = std::min(at + frame->nb_samples, end);
            if (hi > lo) {
                const int skip = int(lo - at);
                std::vector<void*> planes(
                    size_t(av_sample_fmt_is_planar(enc->sample_fmt) ? enc->ch_layout.nb_channels : 1));
                const int bytes = av_get_bytes_per_sample(enc->sample_fmt) *
                                  (av_sample_fmt_is_planar(enc->sample_fmt) ? 1 : enc->ch_layout.nb_channels);
                for (size_t p = 0; p < planes.size(); ++p)
                    planes[p] = frame->extended_data[p] + skip * bytes;
                av_audio_fifo_write(fifo.get(), planes.data(), int(hi - lo));
            }
            av_frame_unref(frame.get());
            if (QString e = encodeQueued(false); !e.isEmpty())
                return e;
        }
        return {};
    };

    AVPacketPtr pkt = makePacket();
    while (av_read_frame(in.get(), pkt.get()) >= 0) {
        if (pkt->stream_index == stream) {
            avcodec_send_packet(dec.get(), pkt.get());
            if (QString e = takeFrames(); !e.isEmpty())
                return e;
        }
        av_packet_unref(pkt.get());
        if (first + written + av_audio_fifo_size(fifo.get()) >= end)
            break;
    }
    avcodec_send_packet(dec.get(), nullptr);
    if (QString e = takeFrames(); !e.isEmpty())
        return e;
    if (QString e = encodeQueued(true); !e.isEmpty())
        return e;
    avcodec_send_frame(enc, nullptr);
    return takeEncodedPackets(enc, out.packets);
}

} // namespace engine::ff
