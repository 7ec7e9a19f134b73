#include "smartcut/SpanEncoder.h"

#include <cmath>

#include "core/AvError.h"
#include "smartcut/Codecs.h"

extern "C" {
#include <libavutil/opt.h>
}

namespace engine::ff {
namespace {

// Where decoding must start so that every frame from `from` on comes out whole.
int decodeStart(const SourceIndex& index, int64_t from) {
    int splice = -1;
    std::vector<int> keys;
    for (size_t i = 0; i < index.packets.size(); ++i) {
        const auto& p = index.packets[i];
        if (p.display > from)
            continue;
        if (p.splice)
            splice = int(i);
        if (p.key)
            keys.push_back(int(i));
    }
    if (splice >= 0)
        return splice;
    // An open GOP's leading pictures refer to the GOP before: start one key frame earlier.
    if (keys.size() >= 2)
        return keys[keys.size() - 2];
    return keys.empty() ? 0 : keys.back();
}

QString h264Profile(int profile) {
    switch (profile) {
    case FF_PROFILE_H264_BASELINE:
    case FF_PROFILE_H264_CONSTRAINED_BASELINE:
        return QStringLiteral("baseline");
    case FF_PROFILE_H264_MAIN:
        return QStringLiteral("main");
    case FF_PROFILE_H264_HIGH_10:
        return QStringLiteral("high10");
    case FF_PROFILE_H264_HIGH_422:
        return QStringLiteral("high422");
    default:
        return QStringLiteral("high");
    }
}

AVCodecContextPtr openMatchedEncoder(const SourceIndex& index, const AVCodecParameters* src,
                                     const AVFrame* first, int parameterSetId, int64_t frames,
                                     bool globalHeader, QString& error) {
    const bool h264 = src->codec_id == AV_CODEC_ID_H264;
    const AVCodec* codec =
        h264 ? avcodec_find_encoder_by_name("libx264") : avcodec_find_encoder(src->codec_id);
    if (!codec) {
        error = QStringLiteral("No encoder for the source's codec %1").arg(avcodec_get_name(src->codec_id));
        return nullptr;
    }
    AVCodecContextPtr enc(avcodec_alloc_context3(codec));
    enc->width = first->width;
    enc->height = first->height;
    enc->pix_fmt = AVPixelFormat(first->format);
    enc->time_base = av_inv_q(index.frameRate);
    enc->framerate = index.frameRate;
    enc->sample_aspect_ratio = src->sample_aspect_ratio;
    enc->color_primaries = src->color_primaries;
    enc->color_trc = src->color_trc;
    enc->colorspace = src->color_space;
    enc->color_range = src->color_range;
    enc->chroma_sample_location = src->chroma_location;
    enc->field_order = src->field_order;
    if (src->field_order != AV_FIELD_PROGRESSIVE && src->field_order != AV_FIELD_UNKNOWN)
        enc->flags |= AV_CODEC_FLAG_INTERLACED_DCT | AV_CODEC_FLAG_INTERLACED_ME;
    enc->profile = src->profile;
    enc->level = src->level;
    enc->thread_count = 0; // as many as the machine has
    if (globalHeader)
        enc->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    AVDictionary* opts = nullptr;
    if (h264) {
        // One IDR at the start of the span, the rest predicted; quality well above the copied part's so
        // the seam does not show.
        enc->gop_size = int(std::min<int64_t>(frames + 1, 10000));
        enc->max_b_frames = 0;
        av_dict_set(&opts, "profile", h264Profile(src->profile).toUtf8().constData(), 0);
        av_dict_set(&opts, "preset", "superfast", 0);
        av_dict_set(&opts, "crf", "12", 0);
        const QByteArray params = QStringLiteral("sps-id=%1:scenecut=0:trellis=0%2")
                                      .arg(parameterSetId)
                                      .arg(enc->flags & AV_CODEC_FLAG_INTERLACED_DCT ? ":tff=1" : "")
                                      .toUtf8();
        av_dict_set(&opts, "x264-params", params.constData(), 0);
        if (index.bitRate > 0) {
            enc->rc_max_rate = index.bitRate * 4;
            enc->rc_buffer_size = int(std::min<int64_t>(index.bitRate * 4, INT32_MAX));
        }
    } else {
        // Constant fine quantiser: a re-encoded stretch must not look worse than the source. No rate
        // ceiling: the encoder would encode every picture over the ceiling again, several times.
        enc->flags |= AV_CODEC_FLAG_QSCALE;
        enc->global_quality = FF_QP2LAMBDA * 2;
        enc->bit_rate = index.bitRate;
        if (src->codec_id == AV_CODEC_ID_MPEG2VIDEO) {
            enc->flags |= AV_CODEC_FLAG_CLOSED_GOP;
            av_dict_set(&opts, "sc_threshold", "1000000000", 0); // closed GOPs only at fixed places
        }
        enc->gop_size = 12;
        enc->max_b_frames = 2;
    }
    const int rc = avcodec_open2(enc.get(), codec, &opts);
    av_dict_free(&opts);
    if (rc < 0) {
        error = QStringLiteral("Cannot set up the %1 encoder: %2").arg(codec->name, avErrorText(rc));
        return nullptr;
    }
    return enc;
}

} // namespace

// Encodes into `encoder`, which the caller may keep.
static QString encodeSpanWith(const SourceIndex& index, int64_t from, int64_t to, int64_t origin,
                              int parameterSetId, const SpanOutput& output, AVCodecContextPtr* encoder);

QString encodeSpan(const SourceIndex& index, int64_t from, int64_t to, int64_t origin, int parameterSetId,
                   EncodedSpan& out) {
    SpanOutput keep;
    keep.opened = [&](AVCodecContext*) { return QString(); };
    keep.packet = [&](AVPacketPtr p) {
        out.packets.push_back(std::move(p));
        return QString();
    };
    return encodeSpanWith(index, from, to, origin, parameterSetId, keep, &out.encoder);
}

QString encodeSpan(const SourceIndex& index, int64_t from, int64_t to, int64_t origin, int parameterSetId,
                   const SpanOutput& output) {
    AVCodecContextPtr encoder;
    return encodeSpanWith(index, from, to, origin, parameterSetId, output, &encoder);
}

static QString encodeSpanWith(const SourceIndex& index, int64_t from, int64_t to, int64_t origin,
                              int parameterSetId, const SpanOutput& output, AVCodecContextPtr* encoder) {
    QString error;
    const int start = decodeStart(index, from);
    int next = 0;
    AVInputPtr in = openClipBefore(index, start, next, error);
    if (!in)
        return error;
    const AVCodecParameters* par = in->streams[index.videoStream]->codecpar;
    AVCodecContextPtr dec = openStreamDecoder(in->streams[index.videoStream], error);
    if (!dec)
        return error;

    const double ticksPerFrame = av_q2d(av_inv_q(index.frameRate)) / av_q2d(index.timeBase);
    AVCodecContextPtr& enc = *encoder;
    int64_t taken = 0;
    auto pass = [&]() -> QString {
        std::vector<AVPacketPtr> packets;
        QString e = takeEncodedPackets(enc.get(), packets);
        for (auto& p : packets)
            if (e.isEmpty())
                e = output.packet(std::move(p));
        return e;
    };
    AVFramePtr frame = makeFrame();
    auto takeFrames = [&]() -> QString {
        while (avcodec_receive_frame(dec.get(), frame.get()) >= 0) {
            const int64_t ts = frame->best_effort_timestamp;
            const int64_t display = std::llround(double(ts - index.firstPts) / ticksPerFrame);
            if (display >= from && display < to) {
                if (!enc) {
                    if (!(enc = openMatchedEncoder(index, par, frame.get(), parameterSetId, to - from,
                                                   output.globalHeader, error)))
                        return error;
                    if (QString e = output.opened(enc.get()); !e.isEmpty())
                        return e;
                }
                frame->pts = display - origin;
                frame->pict_type = AV_PICTURE_TYPE_NONE; // the encoder chooses; one IDR at the start
                if (int rc = avcodec_send_frame(enc.get(), frame.get()); rc < 0)
                    return QStringLiteral("Encoding failed: %1").arg(avErrorText(rc));
                if (QString e = pass(); !e.isEmpty())
                    return e;
                ++taken;
            }
            av_frame_unref(frame.get());
        }
        return {};
    };

    AVPacketPtr pkt = makePacket();
    int position = next - 1;
    while (taken < to - from && av_read_frame(in.get(), pkt.get()) >= 0) {
        if (pkt->stream_index == index.videoStream && ++position >= start) {
            avcodec_send_packet(dec.get(), pkt.get()); // a damaged packet costs its picture, counted below
            if (QString e = takeFrames(); !e.isEmpty())
                return e;
        }
        av_packet_unref(pkt.get());
    }
    if (taken < to - from) {
        avcodec_send_packet(dec.get(), nullptr);
        if (QString e = takeFrames(); !e.isEmpty())
            return e;
    }
    if (taken != to - from || !enc)
        return QStringLiteral("Only %1 of the %2 frames from frame %3 could be decoded")
            .arg(taken)
            .arg(to - from)
            .arg(from);
    avcodec_send_frame(enc.get(), nullptr);
    return pass();
}

} // namespace engine::ff
