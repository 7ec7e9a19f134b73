#include "smartcut/AudioCutter.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/AvError.h"
#include "engine/OperatorTexts.h"
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

bool takesFormat(const AVCodec* codec, AVSampleFormat format) {
    for (const AVSampleFormat* f = codec->sample_fmts; *f != AV_SAMPLE_FMT_NONE; ++f)
        if (*f == format)
            return true;
    return false;
}

std::shared_ptr<const AVCodecContext> descriptionOf(const AVCodecContext* encoder) {
    AVCodecParametersPtr par(avcodec_parameters_alloc());
    AVCodecContextPtr copy(avcodec_alloc_context3(nullptr));
    if (!par || !copy || avcodec_parameters_from_context(par.get(), encoder) < 0 ||
        avcodec_parameters_to_context(copy.get(), par.get()) < 0)
        return nullptr;
    copy->time_base = encoder->time_base;
    return std::shared_ptr<const AVCodecContext>(copy.release(), [](const AVCodecContext* c) {
        auto* owned = const_cast<AVCodecContext*>(c);
        avcodec_free_context(&owned);
    });
}

AVCodecContextPtr openEncoder(const AVCodecContext* dec, const AVCodecParameters* src, QString& error) {
    const AVCodec* codec = avcodec_find_encoder(src->codec_id);
    if (!codec) {
        error = texts::noEncoderForSourceAudio(avcodec_get_name(src->codec_id));
        return nullptr;
    }
    AVCodecContextPtr enc(avcodec_alloc_context3(codec));
    enc->sample_rate = dec->sample_rate;
    // In the decoder's own format where the encoder takes it (PCM stays bit-identical), else converted.
    enc->sample_fmt = dec->sample_fmt;
    if (codec->sample_fmts && !takesFormat(codec, dec->sample_fmt))
        enc->sample_fmt = codec->sample_fmts[0];
    av_channel_layout_copy(&enc->ch_layout, &dec->ch_layout);
    enc->time_base = {1, dec->sample_rate};
    enc->bit_rate = src->bit_rate > 0 ? src->bit_rate : 0;
    enc->bits_per_raw_sample = src->bits_per_raw_sample;
    if (int rc = avcodec_open2(enc.get(), codec, nullptr); rc < 0) {
        error = texts::cannotSetUpEncoder(codec->name, avErrorText(rc));
        return nullptr;
    }
    return enc;
}

} // namespace

// One stream: samples before `first` and from `end` on (the clip's time line, in samples) are dropped.
struct AudioCutter::Track {
    size_t number = 0;
    std::deque<Made>* out = nullptr; // where its packets go
    const AVStream* stream = nullptr;
    AVCodecContextPtr dec, enc;
    // What describes the stream to the muxer: the encoder of a stream cut and encoded beforehand, or a
    // copy of what the encoder tells, which the thread ahead never touches.
    std::shared_ptr<const AVCodecContext> made;
    AudioFifoPtr fifo;
    SwrPtr converter;
    int64_t first = 0, end = 0;
    int64_t written = 0; // samples handed to the encoder
    int chunk = 1024;
    bool finished = false;
    // On the writing thread: handed out by the thread ahead, not yet written, and whether all came.
    std::deque<AVPacketPtr> ready;
    bool closed = false;

    int64_t reached() const { return first + written + av_audio_fifo_size(fifo.get()); }
    const AVCodecContext* description() const { return made.get(); }

    QString encodeQueued(bool all) {
        AVCodecContext* e = enc.get();
        while (av_audio_fifo_size(fifo.get()) >= chunk || (all && av_audio_fifo_size(fifo.get()) > 0)) {
            const int n = std::min(chunk, av_audio_fifo_size(fifo.get()));
            AVFramePtr f = makeFrame();
            f->nb_samples = n;
            f->format = e->sample_fmt;
            f->sample_rate = e->sample_rate;
            av_channel_layout_copy(&f->ch_layout, &e->ch_layout);
            if (av_frame_get_buffer(f.get(), 0) < 0)
                return texts::outOfMemoryCuttingAudio();
            av_audio_fifo_read(fifo.get(), reinterpret_cast<void**>(f->extended_data), n);
            f->pts = written;
            written += n;
            if (int rc = avcodec_send_frame(e, f.get()); rc < 0)
                return texts::audioEncodingFailed(avErrorText(rc));
            if (QString error = collect(); !error.isEmpty())
                return error;
        }
        return {};
    }

    QString collect() {
        std::vector<AVPacketPtr> packets;
        const QString error = takeEncodedPackets(enc.get(), packets);
        for (auto& p : packets)
            out->push_back({number, std::move(p)});
        return error;
    }

    // Every decoded frame the decoder has, trimmed to [first, end).
    QString takeFrames(double zero) {
        AVFramePtr frame = makeFrame();
        const int rate = dec->sample_rate;
        while (avcodec_receive_frame(dec.get(), frame.get()) >= 0) {
            const int64_t ts = frame->best_effort_timestamp;
            const int64_t at = ts == AV_NOPTS_VALUE
                                   ? reached()
                                   : std::llround((double(ts) * av_q2d(stream->time_base) - zero) * rate);
            const int64_t lo = std::max(at, reached());
            const int64_t hi = std::min(at + frame->nb_samples, end);
            if (hi > lo && frame->format != enc->sample_fmt) {
                if (QString e = convert(frame); !e.isEmpty())
                    return e;
            }
            if (hi > lo) {
                const AVSampleFormat format = enc->sample_fmt;
                const bool planar = av_sample_fmt_is_planar(format);
                std::vector<void*> planes(size_t(planar ? enc->ch_layout.nb_channels : 1));
                const int bytes = av_get_bytes_per_sample(format) * (planar ? 1 : enc->ch_layout.nb_channels);
                for (size_t p = 0; p < planes.size(); ++p)
                    planes[p] = frame->extended_data[p] + (lo - at) * bytes;
                av_audio_fifo_write(fifo.get(), planes.data(), int(hi - lo));
            }
            av_frame_unref(frame.get());
            if (QString e = encodeQueued(false); !e.isEmpty())
                return e;
        }
        return {};
    }

    // The frame in the encoder's sample format (same rate and channels: as many samples).
    QString convert(AVFramePtr& frame) {
        if (!converter)
            converter.reset(swr_alloc());
        AVFramePtr out = makeFrame();
        out->format = enc->sample_fmt;
        out->sample_rate = frame->sample_rate;
        av_channel_layout_copy(&out->ch_layout, &frame->ch_layout);
        if (int rc = swr_convert_frame(converter.get(), out.get(), frame.get()); rc < 0)
            return texts::cannotConvertSoundForEncoder(avErrorText(rc));
        frame = std::move(out);
        return {};
    }

    QString feed(AVPacket* packet, double zero) {
        avcodec_send_packet(dec.get(), packet); // a damaged packet costs its samples only
        if (QString e = takeFrames(zero); !e.isEmpty())
            return e;
        return reached() >= end ? finish(zero) : QString();
    }

    QString finish(double zero) {
        if (finished)
            return {};
        finished = true;
        avcodec_send_packet(dec.get(), nullptr);
        if (QString e = takeFrames(zero); !e.isEmpty())
            return e;
        if (QString e = encodeQueued(true); !e.isEmpty())
            return e;
        avcodec_send_frame(enc.get(), nullptr);
        const QString error = collect();
        out->push_back({number, nullptr});
        return error;
    }
};

AudioCutter::~AudioCutter() = default;

std::unique_ptr<AudioCutter> AudioCutter::open(const SourceIndex& index, double fromSeconds, double toSeconds,
                                               QString& error) {
    std::unique_ptr<AudioCutter> cutter(new AudioCutter);
    if (index.audioStreams.empty())
        return cutter;
    cutter->in_ = openClip(index.path, error);
    if (!cutter->in_)
        return nullptr;
    readOnly(cutter->in_.get(), index.audioStreams);
    cutter->zero_ = index.startSeconds();
    for (int s : index.audioStreams) {
        auto t = std::make_unique<Track>();
        t->number = cutter->tracks_.size();
        t->out = &cutter->made_;
        t->stream = cutter->in_->streams[s];
        if (!(t->dec = openStreamDecoder(t->stream, error)))
            return nullptr;
        if (!(t->enc = openEncoder(t->dec.get(), t->stream->codecpar, error)))
            return nullptr;
        if (!(t->made = descriptionOf(t->enc.get()))) {
            error = texts::outOfMemoryForSound();
            return nullptr;
        }
        const int rate = t->dec->sample_rate;
        t->first = std::llround(fromSeconds * rate);
        t->end = std::llround(toSeconds * rate);
        t->fifo.reset(av_audio_fifo_alloc(t->enc->sample_fmt, t->enc->ch_layout.nb_channels, 4096));
        t->chunk = t->enc->frame_size > 0 ? t->enc->frame_size : 1024;
        cutter->tracks_.push_back(std::move(t));
    }
    // Starts a second early: the decoders settle before the first sample kept. Reading from the start
    // is the fallback when the file cannot seek. The seek goes by the video's key frames, whose stream
    // is not read: sound read from there decodes the same samples whatever the streams read.
    constexpr double kPreroll = 1.0;
    if (fromSeconds > kPreroll) {
        const AVStream* video = cutter->in_->streams[index.videoStream];
        const int64_t at = int64_t((cutter->zero_ + fromSeconds - kPreroll) * AV_TIME_BASE);
        av_seek_frame(cutter->in_.get(), index.videoStream, av_rescale_q(at, AV_TIME_BASE_Q, video->time_base),
                      AVSEEK_FLAG_BACKWARD);
    }
    constexpr size_t kBytesAhead = 4 << 20;
    AudioCutter* c = cutter.get();
    cutter->ahead_ = std::make_unique<MadeAhead<Made>>(
        [c](QString& e) { return c->make(e); },
        [](const Made& m) { return m.packet ? size_t(m.packet->size) : 0; }, kBytesAhead);
    return cutter;
}

std::unique_ptr<AudioCutter> AudioCutter::fromSpans(std::vector<AudioSpan> spans) {
    std::unique_ptr<AudioCutter> cutter(new AudioCutter);
    for (auto& span : spans) {
        auto t = std::make_unique<Track>();
        t->made = span.encoder;
        for (auto& p : span.packets)
            t->ready.push_back(std::move(p));
        t->finished = t->closed = true;
        cutter->tracks_.push_back(std::move(t));
    }
    return cutter;
}

std::vector<const AVCodecContext*> AudioCutter::encoders() const {
    std::vector<const AVCodecContext*> out;
    for (const auto& t : tracks_)
        out.push_back(t->description());
    return out;
}

std::optional<AudioCutter::Made> AudioCutter::make(QString& error) {
    while (made_.empty()) {
        const bool allFinished =
            std::all_of(tracks_.begin(), tracks_.end(), [](const auto& t) { return t->finished; });
        if (readEnded_ || allFinished)
            return std::nullopt;
        if (QString e = readMore(); !e.isEmpty()) {
            error = e;
            return std::nullopt;
        }
    }
    Made m = std::move(made_.front());
    made_.pop_front();
    return m;
}

QString AudioCutter::readMore() {
    AVPacketPtr pkt = makePacket();
    if (av_read_frame(in_.get(), pkt.get()) < 0) {
        readEnded_ = true;
        return finishAll();
    }
    for (auto& t : tracks_)
        if (t->stream->index == pkt->stream_index && !t->finished)
            return t->feed(pkt.get(), zero_);
    return {};
}

QString AudioCutter::finishAll() {
    for (auto& t : tracks_)
        if (QString e = t->finish(zero_); !e.isEmpty())
            return e;
    return {};
}

QString AudioCutter::writeUntil(double seconds, const AudioPacketWrite& write) {
    while (true) {
        bool wantMore = false;
        for (size_t i = 0; i < tracks_.size(); ++i) {
            Track& t = *tracks_[i];
            while (!t.ready.empty() &&
                   double(t.ready.front()->pts) / t.description()->sample_rate <= seconds) {
                if (QString e = write(i, t.ready.front().get()); !e.isEmpty())
                    return e;
                t.ready.pop_front();
            }
            wantMore |= t.ready.empty() && !t.closed;
        }
        if (!wantMore)
            return {};
        QString error;
        std::optional<Made> m = ahead_ ? ahead_->next(error) : std::nullopt;
        if (!error.isEmpty())
            return error;
        if (!m) {
            for (auto& t : tracks_)
                t->closed = true;
        } else if (m->packet) {
            tracks_[m->track]->ready.push_back(std::move(m->packet));
        } else {
            tracks_[m->track]->closed = true;
        }
    }
}

} // namespace engine::ff
