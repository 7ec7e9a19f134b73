#include "OutputProbe.h"

#include <cmath>

#include "core/AvPtr.h"
#include "samples/SampleClips.h"

extern "C" {
#include <libavutil/pixdesc.h>
}

namespace writertest {
using namespace engine::ff;

namespace {

// On the 8-bit scale whatever the decoder's depth.
double meanLuma(const AVFrame* f) {
    const int depth = av_pix_fmt_desc_get(AVPixelFormat(f->format))->comp[0].depth;
    double sum = 0;
    for (int y = 0; y < f->height; ++y) {
        const uint8_t* row = f->data[0] + y * f->linesize[0];
        for (int x = 0; x < f->width; ++x)
            sum += depth > 8 ? reinterpret_cast<const uint16_t*>(row)[x] / double(1 << (depth - 8)) : row[x];
    }
    return sum / (f->width * f->height);
}

// cc_data triplets (marker and type, two bytes): a valid field-1 pair other than the padding 0x80 0x80.
bool holdsCaption(const AVFrameSideData& cc) {
    for (size_t i = 0; i + 2 < cc.size; i += 3) {
        const bool valid = cc.data[i] & 0x04, fieldOne = (cc.data[i] & 0x03) == 0;
        if (valid && fieldOne && ((cc.data[i + 1] & 0x7F) || (cc.data[i + 2] & 0x7F)))
            return true;
    }
    return false;
}

void addSamples(const AVFrame* f, std::vector<double>& sumSquares) {
    const int ch = f->ch_layout.nb_channels;
    sumSquares.resize(size_t(ch), 0.0);
    for (int i = 0; i < f->nb_samples; ++i)
        for (int c = 0; c < ch; ++c) {
            const bool planar = av_sample_fmt_is_planar(AVSampleFormat(f->format));
            const uint8_t* base = planar ? f->extended_data[c] : f->extended_data[0];
            const int idx = planar ? i : i * ch + c;
            double v = 0;
            switch (f->format) {
            case AV_SAMPLE_FMT_S16:
            case AV_SAMPLE_FMT_S16P:
                v = reinterpret_cast<const int16_t*>(base)[idx] / 32768.0;
                break;
            case AV_SAMPLE_FMT_S32:
            case AV_SAMPLE_FMT_S32P:
                v = reinterpret_cast<const int32_t*>(base)[idx] / 2147483648.0;
                break;
            case AV_SAMPLE_FMT_FLT:
            case AV_SAMPLE_FMT_FLTP:
                v = reinterpret_cast<const float*>(base)[idx];
                break;
            default:
                break;
            }
            sumSquares[size_t(c)] += v * v;
        }
}

} // namespace

ProbedFile probeFile(const QString& path) {
    ProbedFile out;
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, path.toUtf8().constData(), nullptr, nullptr) < 0)
        return out;
    AVInputPtr in(raw);
    if (avformat_find_stream_info(in.get(), nullptr) < 0)
        return out;
    out.opened = true;
    out.format = in->iformat->name;
    std::vector<AVCodecContextPtr> decoders(in->nb_streams);
    for (unsigned i = 0; i < in->nb_streams; ++i) {
        const AVCodecParameters* par = in->streams[i]->codecpar;
        const AVCodec* dec = avcodec_find_decoder(par->codec_id);
        if (!dec)
            continue;
        if (par->codec_type == AVMEDIA_TYPE_VIDEO && out.videoCodec.empty()) {
            out.videoCodec = avcodec_get_name(par->codec_id);
            out.interlaced = par->field_order != AV_FIELD_PROGRESSIVE && par->field_order != AV_FIELD_UNKNOWN;
        } else if (par->codec_type == AVMEDIA_TYPE_AUDIO && out.audioCodec.empty())
            out.audioCodec = avcodec_get_name(par->codec_id);
        else
            continue;
        decoders[i].reset(avcodec_alloc_context3(dec));
        avcodec_parameters_to_context(decoders[i].get(), par);
        avcodec_open2(decoders[i].get(), dec, nullptr);
    }
    std::vector<double> sumSquares;
    AVPacketPtr pkt = makePacket();
    AVFramePtr frame = makeFrame();
    auto drain = [&](AVCodecContext* dec) {
        while (avcodec_receive_frame(dec, frame.get()) >= 0) {
            if (dec->codec_type == AVMEDIA_TYPE_VIDEO) {
                const int picture = out.videoFrames++;
                if (picture == 0) {
                    out.firstLuma = meanLuma(frame.get());
                    out.firstCode = samples::readFrameCode(frame.get());
                }
                out.lastCode = samples::readFrameCode(frame.get());
                if (const AVFrameSideData* cc = av_frame_get_side_data(frame.get(), AV_FRAME_DATA_A53_CC)) {
                    out.captions = true;
                    if (holdsCaption(*cc))
                        out.captionedPictures.push_back(picture);
                }
            } else {
                out.channels = frame->ch_layout.nb_channels;
                out.sampleRate = frame->sample_rate;
                out.audioSamples += frame->nb_samples;
                addSamples(frame.get(), sumSquares);
            }
            av_frame_unref(frame.get());
        }
    };
    while (av_read_frame(in.get(), pkt.get()) >= 0) {
        if (auto& dec = decoders[size_t(pkt->stream_index)]) {
            avcodec_send_packet(dec.get(), pkt.get());
            drain(dec.get());
        }
        av_packet_unref(pkt.get());
    }
    for (auto& dec : decoders)
        if (dec) {
            avcodec_send_packet(dec.get(), nullptr);
            drain(dec.get());
        }
    for (double s : sumSquares)
        out.channelRms.push_back(out.audioSamples ? std::sqrt(s / double(out.audioSamples)) : 0);
    return out;
}

} // namespace writertest
