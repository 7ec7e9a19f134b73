#include "writer/VideoEncoder.h"

#include "core/AvError.h"
#include "engine/OperatorTexts.h"

extern "C" {
#include <libavutil/pixdesc.h>
}

namespace engine::ff {
namespace {

bool supports(const AVCodec* codec, AVPixelFormat fmt) {
    if (!codec->pix_fmts)
        return true;
    for (const AVPixelFormat* p = codec->pix_fmts; *p != AV_PIX_FMT_NONE; ++p)
        if (*p == fmt)
            return true;
    return false;
}

AVRational frameRateOf(const VideoFrame& f) {
    if (f.duration <= 0)
        return {25, 1};
    return av_d2q(1.0 / f.duration, 100000);
}

// The library's generic default (200 kb/s) is far too low for broadcast pictures: when the operator set no
// bit rate, such encoders get about a quarter of a bit per pixel.
constexpr int64_t kLibraryDefaultBitRate = 200000;

} // namespace

std::unique_ptr<VideoEncoder> VideoEncoder::open(const AVCodec* codec, const AttributeValues& options,
                                                 const VideoFrame& first, bool globalHeader, QString& error) {
    auto enc = std::unique_ptr<VideoEncoder>(new VideoEncoder);
    enc->ctx_ = allocEncoder(codec);
    AVCodecContext* ctx = enc->ctx_.get();
    if (!ctx) {
        error = texts::outOfMemoryForCodec(codec->name);
        return nullptr;
    }
    const bool userRate = hasOption(options, QStringLiteral("b"));
    if (error = applyEncoderOptions(ctx, options); !error.isEmpty())
        return nullptr;
    const AVFrame* f = first.frame.get();
    const auto srcFmt = AVPixelFormat(f->format);
    const QString chosen = optionValue(options, QStringLiteral("pix_fmt"));
    if (!chosen.isEmpty())
        ctx->pix_fmt = av_get_pix_fmt(chosen.toUtf8().constData());
    else if (supports(codec, srcFmt))
        ctx->pix_fmt = srcFmt;
    else
        ctx->pix_fmt = avcodec_find_best_pix_fmt_of_list(codec->pix_fmts, srcFmt, 0, nullptr);
    ctx->width = f->width;
    ctx->height = f->height;
    ctx->framerate = frameRateOf(first);
    ctx->time_base = av_inv_q(ctx->framerate);
    ctx->sample_aspect_ratio = first.sampleAspect.num > 0 ? first.sampleAspect : AVRational{1, 1};
    ctx->color_range = f->color_range;
    ctx->color_primaries = f->color_primaries;
    ctx->color_trc = f->color_trc;
    ctx->colorspace = f->colorspace;
    ctx->chroma_sample_location = f->chroma_location;
    if (first.interlaced) {
        ctx->flags |= AV_CODEC_FLAG_INTERLACED_DCT | AV_CODEC_FLAG_INTERLACED_ME;
        ctx->field_order = first.topFieldFirst ? AV_FIELD_TT : AV_FIELD_BB;
    } else {
        ctx->field_order = AV_FIELD_PROGRESSIVE;
    }
    if (codec->id == AV_CODEC_ID_DNXHD && !userRate && !hasOption(options, QStringLiteral("profile")))
        av_opt_set(ctx, "profile", "dnxhr_hq", AV_OPT_SEARCH_CHILDREN); // fits any picture size
    if (!userRate && ctx->bit_rate == kLibraryDefaultBitRate)
        ctx->bit_rate = int64_t(0.25 * f->width * f->height * av_q2d(ctx->framerate));
    if (globalHeader)
        ctx->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (error = openEncoder(ctx, codec); !error.isEmpty())
        return nullptr;
    return enc;
}

AVFramePtr VideoEncoder::convert(const AVFrame* src, QString& error) {
    AVCodecContext* ctx = ctx_.get();
    if (src->format == ctx->pix_fmt && src->width == ctx->width && src->height == ctx->height)
        return AVFramePtr(av_frame_clone(src));
    sws_.reset(sws_getCachedContext(sws_.release(), src->width, src->height, AVPixelFormat(src->format),
                                    ctx->width, ctx->height, ctx->pix_fmt, SWS_BICUBIC, nullptr, nullptr,
                                    nullptr));
    AVFramePtr out = makeFrame();
    if (!sws_ || !out) {
        error = texts::cannotConvertPicturesFor(ctx->codec->name);
        return nullptr;
    }
    out->format = ctx->pix_fmt;
    out->width = ctx->width;
    out->height = ctx->height;
    if (int rc = av_frame_get_buffer(out.get(), 0); rc < 0) {
        error = texts::outOfMemoryForPicture(avErrorText(rc));
        return nullptr;
    }
    av_frame_copy_props(out.get(), src); // keeps side data such as closed captions
    sws_scale(sws_.get(), src->data, src->linesize, 0, src->height, out->data, out->linesize);
    return out;
}

QString VideoEncoder::encode(const VideoFrame& frame, int64_t pts, const PacketSink& sink) {
    QString error;
    AVFramePtr f = convert(frame.frame.get(), error);
    if (!f)
        return error.isEmpty() ? texts::outOfMemoryForPicture() : error;
    f->pts = pts;
    f->pict_type = AV_PICTURE_TYPE_NONE;
    f->interlaced_frame = frame.interlaced ? 1 : 0;
    f->top_field_first = frame.topFieldFirst ? 1 : 0;
    return encodeAndDrain(ctx_.get(), f.get(), sink);
}

} // namespace engine::ff
