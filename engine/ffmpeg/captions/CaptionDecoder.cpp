#include "captions/CaptionDecoder.h"

#include <cstring>

#include "captions/SubtitleText.h"

namespace engine::ff {
namespace {
constexpr AVRational kMicroseconds{1, 1000000};
}

CaptionDecoder::CaptionDecoder() : packet_(makePacket()) {
    const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_EIA_608);
    if (!codec || !packet_)
        return;
    AVCodecContextPtr ctx(avcodec_alloc_context3(codec));
    if (!ctx)
        return;
    ctx->pkt_timebase = kMicroseconds;
    ctx->time_base = kMicroseconds;
    // Real-time mode hands out each screen when it changes; otherwise a screen only comes out once it
    // is replaced, too late to show it with its picture.
    AVDictionary* options = nullptr;
    av_dict_set(&options, "real_time", "1", 0);
    av_dict_set(&options, "real_time_latency_msec", "0", 0);
    const int opened = avcodec_open2(ctx.get(), codec, &options);
    av_dict_free(&options);
    if (opened < 0)
        return;
    ctx_ = std::move(ctx);
}

void CaptionDecoder::feed(const uint8_t* ccData, size_t size, double mediaTime) {
    if (!ctx_ || !ccData)
        return;
    cc1_.filter(ccData, size, kept_);
    if (kept_.empty())
        return;
    if (av_new_packet(packet_.get(), int(kept_.size())) < 0)
        return;
    std::memcpy(packet_->data, kept_.data(), kept_.size());
    packet_->pts = packet_->dts = int64_t(mediaTime * 1e6);

    SubtitleHolder sub;
    int got = 0;
    const int ret = avcodec_decode_subtitle2(ctx_.get(), &sub.value, &got, packet_.get());
    av_packet_unref(packet_.get());
    // The screen changes with the picture that completes it.
    if (ret >= 0 && got)
        timeline_.add(mediaTime, CaptionTimeline::kUntilNext, screenOfSubtitle(sub.value));
}

void CaptionDecoder::feedFrame(const AVFrame& frame, double mediaTime) {
    const AVFrameSideData* side = av_frame_get_side_data(&frame, AV_FRAME_DATA_A53_CC);
    if (side)
        feed(side->data, side->size, mediaTime);
}

} // namespace engine::ff
