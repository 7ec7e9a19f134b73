#include "MediaReader.h"

#include "AvPtr.h"

#include <QFile>

extern "C" {
#include <libavutil/pixdesc.h>
}
#include <algorithm>
#include <cmath>
#include <numbers>
#include <stdexcept>

namespace samples::testing {
namespace {

using namespace engine::ff;

AVInputPtr openInput(const QString& path) {
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, QFile::encodeName(path).constData(), nullptr, nullptr) < 0)
        throw std::runtime_error("cannot open " + path.toStdString());
    AVInputPtr in(raw);
    if (avformat_find_stream_info(in.get(), nullptr) < 0)
        throw std::runtime_error("no stream info");
    return in;
}

AVCodecContextPtr openDecoder(const AVStream* st) {
    const AVCodec* codec = avcodec_find_decoder(st->codecpar->codec_id);
    AVCodecContextPtr ctx(avcodec_alloc_context3(codec));
    avcodec_parameters_to_context(ctx.get(), st->codecpar);
    ctx->pkt_timebase = st->time_base;
    if (!codec || avcodec_open2(ctx.get(), codec, nullptr) < 0)
        throw std::runtime_error("no decoder");
    return ctx;
}

// Feeds every packet of one stream to its decoder, then drains it.
void decodeStream(AVFormatContext* in, int streamIndex, const std::function<void(const AVFrame&)>& onFrame) {
    AVCodecContextPtr dec = openDecoder(in->streams[streamIndex]);
    AVPacketPtr pkt = makePacket();
    AVFramePtr frame = makeFrame();
    auto drain = [&] {
        while (avcodec_receive_frame(dec.get(), frame.get()) >= 0) {
            onFrame(*frame);
            av_frame_unref(frame.get());
        }
    };
    while (av_read_frame(in, pkt.get()) >= 0) {
        if (pkt->stream_index == streamIndex) {
            avcodec_send_packet(dec.get(), pkt.get());
            drain();
        }
        av_packet_unref(pkt.get());
    }
    avcodec_send_packet(dec.get(), nullptr);
    drain();
}

int streamOfType(const AVFormatContext* in, AVMediaType type, int nth) {
    for (unsigned i = 0; i < in->nb_streams; ++i)
        if (in->streams[i]->codecpar->codec_type == type && nth-- == 0)
            return int(i);
    throw std::runtime_error("no such stream");
}

double sampleAt(const AVFrame& f, int channel, int i) {
    const auto fmt = AVSampleFormat(f.format);
    const bool planar = av_sample_fmt_is_planar(fmt);
    const int index = planar ? i : i * f.ch_layout.nb_channels + channel;
    const uint8_t* data = f.extended_data[planar ? channel : 0];
    switch (av_get_packed_sample_fmt(fmt)) {
    case AV_SAMPLE_FMT_S16:
        return reinterpret_cast<const int16_t*>(data)[index] / 32768.0;
    case AV_SAMPLE_FMT_S32:
        return reinterpret_cast<const int32_t*>(data)[index] / 2147483648.0;
    case AV_SAMPLE_FMT_FLT:
        return reinterpret_cast<const float*>(data)[index];
    default:
        throw std::runtime_error("unexpected sample format");
    }
}

// An unset pixel aspect ratio means square pixels to a player.
QString pixelAspectText(AVRational sar) {
    return sar.num > 0 ? QString("%1:%2").arg(sar.num).arg(sar.den) : QString("1:1");
}

} // namespace

int ProbeResult::count(AVMediaType type) const {
    return int(
        std::count_if(streams.begin(), streams.end(), [&](const StreamInfo& s) { return s.type == type; }));
}

const StreamInfo& ProbeResult::first(AVMediaType type) const {
    for (const auto& s : streams)
        if (s.type == type)
            return s;
    throw std::runtime_error("no such stream");
}

ProbeResult probe(const QString& path) {
    AVInputPtr in = openInput(path);
    ProbeResult r;
    r.format = in->iformat->name;
    r.startSeconds = in->start_time == AV_NOPTS_VALUE ? 0 : in->start_time / double(AV_TIME_BASE);
    for (unsigned i = 0; i < in->nb_streams; ++i) {
        const AVCodecParameters* p = in->streams[i]->codecpar;
        const AVStream* st = in->streams[i];
        const double start = st->start_time == AV_NOPTS_VALUE ? 0 : st->start_time * av_q2d(st->time_base);
        StreamInfo& s = r.streams.emplace_back();
        s.type = p->codec_type;
        s.codec = avcodec_get_name(p->codec_id);
        s.width = p->width, s.height = p->height;
        s.channels = p->ch_layout.nb_channels;
        s.fieldOrder = p->field_order;
        s.startSeconds = start;
        s.pixelAspect = pixelAspectText(p->sample_aspect_ratio);
        if (p->codec_type == AVMEDIA_TYPE_VIDEO)
            s.pixelFormat = av_get_pix_fmt_name(AVPixelFormat(p->format));
        s.profile = p->profile;
        s.frameRate = st->avg_frame_rate;
        if (const AVDictionaryEntry* tc = av_dict_get(in->streams[i]->metadata, "timecode", nullptr, 0))
            r.timecode = tc->value;
    }
    if (const AVDictionaryEntry* tc = av_dict_get(in->metadata, "timecode", nullptr, 0))
        r.timecode = tc->value;
    AVPacketPtr pkt = makePacket();
    while (av_read_frame(in.get(), pkt.get()) >= 0) {
        r.streams[pkt->stream_index].packets++;
        av_packet_unref(pkt.get());
    }
    return r;
}

void decodeVideo(const QString& path, const std::function<void(const AVFrame&)>& onFrame) {
    AVInputPtr in = openInput(path);
    decodeStream(in.get(), streamOfType(in.get(), AVMEDIA_TYPE_VIDEO, 0), onFrame);
}

QString pictureTypes(const QString& path) {
    QString types;
    decodeVideo(path, [&](const AVFrame& f) { types += QChar(av_get_picture_type_char(f.pict_type)); });
    return types;
}

std::vector<std::vector<double>> decodeAudio(const QString& path, int audioStream, double* startSeconds) {
    AVInputPtr in = openInput(path);
    std::vector<std::vector<double>> channels;
    const int index = streamOfType(in.get(), AVMEDIA_TYPE_AUDIO, audioStream);
    const AVRational timeBase = in->streams[index]->time_base;
    decodeStream(in.get(), index, [&](const AVFrame& f) {
        if (channels.empty() && startSeconds)
            *startSeconds =
                f.best_effort_timestamp == AV_NOPTS_VALUE ? 0 : f.best_effort_timestamp * av_q2d(timeBase);
        channels.resize(size_t(f.ch_layout.nb_channels));
        for (int c = 0; c < f.ch_layout.nb_channels; ++c)
            for (int i = 0; i < f.nb_samples; ++i)
                channels[size_t(c)].push_back(sampleAt(f, c, i));
    });
    return channels;
}

double tonePower(const std::vector<double>& x, double frequency, int rate) {
    const double k = 2 * std::cos(2 * std::numbers::pi * frequency / rate);
    double s1 = 0, s2 = 0;
    for (double v : x) {
        const double s0 = v + k * s1 - s2;
        s2 = s1, s1 = s0;
    }
    return (s1 * s1 + s2 * s2 - k * s1 * s2) / (double(x.size()) * x.size());
}

} // namespace samples::testing
