#include "writer/EncoderCommon.h"

#include "core/AvError.h"
#include "core/CodecThreads.h"
#include "engine/OperatorTexts.h"
#include "writer/ChoiceAttributes.h"

namespace engine::ff {

QString optionValue(const AttributeValues& options, const QString& name) {
    for (const auto& [n, v] : options)
        if (n == name)
            return v;
    return {};
}

bool hasOption(const AttributeValues& options, const QString& name) {
    return !optionValue(options, name).isEmpty();
}

QString applyEncoderOptions(AVCodecContext* ctx, const AttributeValues& options) {
    for (const auto& [name, value] : options) {
        if (isPipelineAttribute(name))
            continue;
        if (name == u"b") {
            const auto rate = parseBitRate(value);
            if (!rate)
                return texts::badBitRate(value);
            ctx->bit_rate = *rate;
            continue;
        }
        if (int rc = av_opt_set(ctx, name.toUtf8().constData(), value.toUtf8().constData(),
                                AV_OPT_SEARCH_CHILDREN);
            rc < 0)
            return texts::codecRefuses(ctx->codec->name, name, value, avErrorText(rc));
    }
    return {};
}

AVCodecContextPtr allocEncoder(const AVCodec* codec) {
    AVCodecContextPtr ctx(avcodec_alloc_context3(codec));
    // Use every core, as the command-line tools do, unless the operator set "threads".
    if (ctx)
        ctx->thread_count = codecThreads(0);
    return ctx;
}

QString openEncoder(AVCodecContext* ctx, const AVCodec* codec) {
    if (int rc = avcodec_open2(ctx, codec, nullptr); rc < 0)
        return texts::codecCannotStart(codec->name, avErrorText(rc));
    return {};
}

QString encodeAndDrain(AVCodecContext* ctx, const AVFrame* frame, const PacketSink& sink) {
    int rc = avcodec_send_frame(ctx, frame);
    if (rc < 0 && rc != AVERROR_EOF)
        return texts::codecFailed(ctx->codec->name, avErrorText(rc));
    AVPacketPtr packet = makePacket();
    while (true) {
        rc = avcodec_receive_packet(ctx, packet.get());
        if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF)
            return {};
        if (rc < 0)
            return texts::codecFailed(ctx->codec->name, avErrorText(rc));
        QString error = sink(packet.get());
        av_packet_unref(packet.get());
        if (!error.isEmpty())
            return error;
    }
}

} // namespace engine::ff
