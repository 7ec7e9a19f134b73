#include "smartcut/Codecs.h"

#include "core/AvError.h"
#include "core/CodecThreads.h"
#include "engine/OperatorTexts.h"

namespace engine::ff {

AVCodecContextPtr openStreamDecoder(const AVStream* stream, QString& error, int threads) {
    const AVCodec* decoder = avcodec_find_decoder(stream->codecpar->codec_id);
    if (!decoder) {
        error = texts::noDecoderFor(avcodec_get_name(stream->codecpar->codec_id));
        return nullptr;
    }
    AVCodecContextPtr dec(avcodec_alloc_context3(decoder));
    avcodec_parameters_to_context(dec.get(), stream->codecpar);
    dec->pkt_timebase = stream->time_base;
    dec->thread_count = decoderThreads(*decoder, threads);
    if (int rc = avcodec_open2(dec.get(), decoder, nullptr); rc < 0) {
        error = texts::cannotDecodeSource(decoder->name, avErrorText(rc));
        return nullptr;
    }
    return dec;
}

QString takeEncodedPackets(AVCodecContext* encoder, std::vector<AVPacketPtr>& out) {
    while (true) {
        AVPacketPtr pkt = makePacket();
        const int rc = avcodec_receive_packet(encoder, pkt.get());
        if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF)
            return {};
        if (rc < 0)
            return texts::encodingFailed(avErrorText(rc));
        out.push_back(std::move(pkt));
    }
}

} // namespace engine::ff
