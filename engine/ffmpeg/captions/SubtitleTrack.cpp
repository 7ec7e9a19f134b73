#include "captions/SubtitleTrack.h"

#include "captions/SubtitleText.h"

namespace engine::ff {

bool SubtitleTrack::isTextSubtitle(const AVCodecParameters& par) {
    if (par.codec_type != AVMEDIA_TYPE_SUBTITLE)
        return false;
    const AVCodecDescriptor* desc = avcodec_descriptor_get(par.codec_id);
    return desc && (desc->props & AV_CODEC_PROP_TEXT_SUB);
}

bool SubtitleTrack::open(const AVCodecParameters& par, AVRational timeBase) {
    ctx_.reset();
    timeline_.clear();
    if (!isTextSubtitle(par))
        return false;
    const AVCodec* codec = avcodec_find_decoder(par.codec_id);
    if (!codec)
        return false;
    AVCodecContextPtr ctx(avcodec_alloc_context3(codec));
    if (!ctx || avcodec_parameters_to_context(ctx.get(), &par) < 0)
        return false;
    ctx->pkt_timebase = timeBase;
    if (avcodec_open2(ctx.get(), codec, nullptr) < 0)
        return false;
    timeBase_ = timeBase;
    ctx_ = std::move(ctx);
    return true;
}

void SubtitleTrack::feed(const AVPacket& packet, double startSeconds) {
    if (!ctx_)
        return;
    SubtitleHolder sub;
    int got = 0;
    if (avcodec_decode_subtitle2(ctx_.get(), &sub.value, &got, const_cast<AVPacket*>(&packet)) < 0 || !got)
        return;

    double end = CaptionTimeline::kUntilNext;
    if (sub.value.end_display_time > 0 && sub.value.end_display_time != UINT32_MAX)
        end = startSeconds + sub.value.end_display_time / 1000.0;
    else if (packet.duration > 0)
        end = startSeconds + double(packet.duration) * av_q2d(timeBase_);
    const double start = startSeconds + sub.value.start_display_time / 1000.0;
    timeline_.add(start, end, screenOfSubtitle(sub.value));
}

} // namespace engine::ff
