// Encodes a sample clip with libavcodec/libavformat: frame-coded pictures, per-channel tones and
// optional CEA-608 captions, interleaved one video frame at a time.
#include "CaptionSchedule.h"
#include "MovingDetail.h"
#include "MuxerFile.h"
#include "samples/SampleClips.h"

#include "AvError.h"
#include "AvPtr.h"
#include "CodecThreads.h"

#include <QFile>
#include <QStringList>
#include <cmath>
#include <memory>
#include <stdexcept>
#include <vector>

extern "C" {
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
}

namespace samples {
namespace {

using namespace engine::ff;

[[noreturn]] void fail(const QString& what) {
    throw std::runtime_error(what.toStdString());
}

void check(int err, const QString& what) {
    if (err < 0)
        fail(what + ": " + avErrorText(err));
}

AVFramePtr allocFrame() {
    AVFramePtr f = makeFrame();
    if (!f)
        fail("out of memory");
    return f;
}

struct StreamEncoder {
    AVCodecContextPtr ctx;
    AVStream* stream = nullptr;
};

AVFormatContext* openMuxer(MuxerFile& mux, const ClipRecipe& clip) {
    AVFormatContext* oc = nullptr;
    const QByteArray path = QFile::encodeName(clip.path);
    const int err = avformat_alloc_output_context2(&oc, nullptr, nullptr, path.constData());
    if (err < 0 || !oc)
        fail("no container for " + clip.path + " (use .mxf .mov .mp4 .ts .mkv .avi)");
    mux.ctx.reset(oc);
    if (!clip.startTimecode.isEmpty())
        av_dict_set(&oc->metadata, "timecode", clip.startTimecode.toUtf8(), 0);
    return oc;
}

const AVCodec* findEncoder(const QString& name) {
    QString encoder = name;
    if (name == "h264")
        encoder = "libx264";
    else if (name == "prores")
        encoder = "prores_ks";
    const AVCodec* codec = avcodec_find_encoder_by_name(encoder.toUtf8());
    if (!codec)
        fail("no encoder for codec " + name);
    return codec;
}

AVPixelFormat encoderPixelFormat(const AVCodec* codec, const ClipRecipe& clip) {
    if (codec->id == AV_CODEC_ID_MPEG2VIDEO && clip.chroma422)
        return AV_PIX_FMT_YUV422P;
    if (codec->id == AV_CODEC_ID_PRORES)
        return AV_PIX_FMT_YUV422P10LE;
    if (codec->id == AV_CODEC_ID_DNXHD)
        return AV_PIX_FMT_YUV422P;
    return codec->pix_fmts ? codec->pix_fmts[0] : AV_PIX_FMT_YUV420P;
}

// The drawing works on 8-bit planar YUV; other encoder formats get a converted copy.
AVPixelFormat drawingFormat(AVPixelFormat encoderFormat) {
    if (encoderFormat == AV_PIX_FMT_YUV420P || encoderFormat == AV_PIX_FMT_YUV422P)
        return encoderFormat;
    const AVPixFmtDescriptor* d = av_pix_fmt_desc_get(encoderFormat);
    return d && d->log2_chroma_h == 0 ? AV_PIX_FMT_YUV422P : AV_PIX_FMT_YUV420P;
}

// A new stream with an encoder context for the named codec, to be set up and then opened.
StreamEncoder newStream(AVFormatContext* oc, const QString& codecName) {
    const AVCodec* codec = findEncoder(codecName);
    // Known refusals get a clear reason here; formats that do not answer (MXF, MPEG-TS) are tried.
    if (avformat_query_codec(oc->oformat, codec->id, FF_COMPLIANCE_NORMAL) == 0)
        fail(QString("%1 cannot carry %2").arg(oc->oformat->name, codecName));
    StreamEncoder enc{AVCodecContextPtr(avcodec_alloc_context3(codec)), avformat_new_stream(oc, nullptr)};
    if (!enc.ctx || !enc.stream)
        fail("out of memory");
    if (oc->oformat->flags & AVFMT_GLOBALHEADER)
        enc.ctx->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    return enc;
}

// Encoder and muxer options, freed with their owner.
struct Options {
    AVDictionary* dict = nullptr;
    Options() = default;
    Options(const Options&) = delete;
    Options& operator=(const Options&) = delete;
    ~Options() { av_dict_free(&dict); }
    void set(const char* key, const char* value) { av_dict_set(&dict, key, value, 0); }
};

void openStream(StreamEncoder& enc, const QString& codecName, Options&& opts) {
    check(avcodec_open2(enc.ctx.get(), enc.ctx->codec, &opts.dict),
          "cannot open the " + codecName + " encoder");
    check(avcodec_parameters_from_context(enc.stream->codecpar, enc.ctx.get()),
          codecName + " stream parameters");
    enc.stream->time_base = enc.ctx->time_base;
}

StreamEncoder openVideo(AVFormatContext* oc, const ClipRecipe& clip) {
    StreamEncoder enc = newStream(oc, clip.videoCodec);
    AVCodecContext* c = enc.ctx.get();
    const AVCodec* codec = c->codec;
    Options opts;
    c->width = clip.width;
    c->height = clip.height;
    c->sample_aspect_ratio = {clip.pixelAspectNum, clip.pixelAspectDen};
    c->framerate = {clip.rateNum, clip.rateDen};
    c->time_base = {clip.rateDen, clip.rateNum};
    c->pix_fmt = encoderPixelFormat(codec, clip);
    c->gop_size = clip.gopLength;
    c->max_b_frames = clip.bFrames;
    c->color_range = AVCOL_RANGE_MPEG;
    const bool hd = clip.height >= 720;
    c->colorspace = hd ? AVCOL_SPC_BT709 : AVCOL_SPC_SMPTE170M;
    c->color_primaries = hd ? AVCOL_PRI_BT709 : AVCOL_PRI_SMPTE170M;
    c->color_trc = hd ? AVCOL_TRC_BT709 : AVCOL_TRC_SMPTE170M;
    c->thread_count = engine::ff::codecThreads(clip.threads > 0 ? clip.threads : hd ? 2 : 1);
    if (clip.closedGop)
        c->flags |= AV_CODEC_FLAG_CLOSED_GOP;
    // A closed MPEG-2 GOP keeps its length only when strict: otherwise it shrinks to whole groups of
    // B pictures and their anchor (10 pictures for 12 with 2 B).
    if (clip.closedGop && codec->id == AV_CODEC_ID_MPEG2VIDEO)
        opts.set("mpv_flags", "+strict_gop");
    if (clip.interlaced) {
        c->flags |= AV_CODEC_FLAG_INTERLACED_DCT | AV_CODEC_FLAG_INTERLACED_ME;
        c->field_order = clip.bottomFieldFirst ? AV_FIELD_BB : AV_FIELD_TT;
    }

    if (clip.videoBitRate > 0)
        c->bit_rate = clip.videoBitRate;
    if (clip.constantBitRate) {
        c->rc_min_rate = c->rc_max_rate = c->bit_rate;
        c->rc_buffer_size = clip.vbvBufferBits;
    }
    if (codec->id == AV_CODEC_ID_H264) {
        opts.set("preset", clip.x264Preset.toUtf8());
        opts.set("profile", "high");
        if (clip.bPyramid)
            opts.set("b-pyramid", "normal");
        if (!clip.closedGop)
            opts.set("x264-params", "open-gop=1");
        // GOPs fixed by gopLength: the flash would otherwise start a new one.
        opts.set("sc_threshold", "0");
        if (clip.videoBitRate > 0 && !clip.constantBitRate)
            c->rc_max_rate = 2 * c->bit_rate, c->rc_buffer_size = int(2 * c->bit_rate);
    } else if (codec->id == AV_CODEC_ID_MPEG2VIDEO) {
        if (clip.videoBitRate <= 0)
            c->bit_rate = int64_t(0.4 * clip.width * clip.height * clip.framesPerSecond());
        if (!clip.constantBitRate) {
            c->rc_max_rate = c->bit_rate * 2;
            c->rc_buffer_size = int(c->rc_max_rate);
        }
        // GOPs fixed by gopLength: a scene cut would move I-frames (and closed GOPs refuse it).
        opts.set("sc_threshold", "1000000000");
        if (!clip.startTimecode.isEmpty())
            opts.set("gop_timecode", clip.startTimecode.toUtf8()); // in the GOP headers too
        if (clip.lowDelay)
            c->flags |= AV_CODEC_FLAG_LOW_DELAY, c->max_b_frames = 0;
    } else if (codec->id == AV_CODEC_ID_PRORES) {
        opts.set("profile", "proxy"); // the smallest files, as for a promo kept for reference
    } else if (codec->id == AV_CODEC_ID_DNXHD) {
        // Classic DNxHD for full HD (the 120 Mb/s family takes both scans); DNxHR for other sizes.
        if (clip.width == 1920 && clip.height == 1080)
            c->bit_rate = 120'000'000;
        else
            opts.set("profile", "dnxhr_sq");
    }
    openStream(enc, clip.videoCodec, std::move(opts));
    enc.stream->avg_frame_rate = c->framerate;
    enc.stream->sample_aspect_ratio = c->sample_aspect_ratio;
    if (!clip.startTimecode.isEmpty())
        av_dict_set(&enc.stream->metadata, "timecode", clip.startTimecode.toUtf8(), 0);
    return enc;
}

StreamEncoder openAudio(AVFormatContext* oc, const ClipRecipe& clip) {
    StreamEncoder enc = newStream(oc, clip.audioCodec);
    AVCodecContext* c = enc.ctx.get();
    const AVCodec* codec = c->codec;
    c->sample_rate = clip.sampleRate;
    av_channel_layout_default(&c->ch_layout, clip.channelsPerTrack);
    c->sample_fmt = codec->sample_fmts ? codec->sample_fmts[0] : AV_SAMPLE_FMT_S16;
    c->time_base = {1, clip.sampleRate};
    if (codec->id == AV_CODEC_ID_AAC)
        c->bit_rate = 64000 * clip.channelsPerTrack;
    else if (codec->id == AV_CODEC_ID_MP2)
        c->bit_rate = 96000 * clip.channelsPerTrack;
    openStream(enc, clip.audioCodec, Options());
    return enc;
}

// Sends one frame (or the end of stream) and writes every packet the encoder gives back.
void encode(AVFormatContext* oc, StreamEncoder& enc, const AVFrame* frame) {
    check(avcodec_send_frame(enc.ctx.get(), frame), "encoding failed");
    AVPacketPtr pkt = makePacket();
    if (!pkt)
        fail("out of memory");
    for (;;) {
        const int err = avcodec_receive_packet(enc.ctx.get(), pkt.get());
        if (err == AVERROR(EAGAIN) || err == AVERROR_EOF)
            return;
        check(err, "encoding failed");
        av_packet_rescale_ts(pkt.get(), enc.ctx->time_base, enc.stream->time_base);
        pkt->stream_index = enc.stream->index;
        check(av_interleaved_write_frame(oc, pkt.get()), "cannot write " + QString(oc->url));
    }
}

class ClipWriter {
  public:
    ClipWriter(const ClipRecipe& clip, bool& createdFile) : clip_(clip), createdFile_(createdFile) {
        validate();
    }

    void open() {
        AVFormatContext* oc = openMuxer(mux_, clip_);
        if (!clip_.videoCodec.isEmpty()) {
            video_ = openVideo(oc, clip_);
            prepareVideoFrames();
        }
        for (int t = 0; t < (clip_.audioCodec.isEmpty() ? 0 : clip_.audioTracks); ++t)
            audio_.push_back(openAudio(oc, clip_));
        if (!(oc->oformat->flags & AVFMT_NOFILE)) {
            check(avio_open(&oc->pb, QFile::encodeName(clip_.path).constData(), AVIO_FLAG_WRITE),
                  "cannot create " + clip_.path);
            mux_.fileOpen = true;
            createdFile_ = true;
        }
        check(avformat_write_header(oc, nullptr), "cannot write the header of " + clip_.path);
    }

    void write() {
        AVFormatContext* oc = mux_.ctx.get();
        audioNext_.assign(audio_.size(), 0);
        for (int64_t n = 0; n < clip_.frames; ++n) {
            if (video_.ctx)
                encode(oc, video_, nextPicture(n));
            writeAudioUpTo(samplesBefore(n + 1));
        }
        if (video_.ctx)
            encode(oc, video_, nullptr);
        for (auto& a : audio_)
            encode(oc, a, nullptr);
        check(av_write_trailer(oc), "cannot finish " + clip_.path);
    }

  private:
    void validate() const {
        if (clip_.frames <= 0)
            fail("a clip needs at least one frame");
        if (clip_.rateNum <= 0 || clip_.rateDen <= 0)
            fail("bad frame rate");
        if (clip_.pixelAspectNum <= 0 || clip_.pixelAspectDen <= 0)
            fail("bad pixel aspect ratio");
        if (clip_.videoCodec.isEmpty() && clip_.audioCodec.isEmpty())
            fail("a clip needs video or audio");
        if (!clip_.videoCodec.isEmpty() && (clip_.width < 32 || clip_.height < 16))
            fail("picture too small for the frame code");
        if (!clip_.audioCodec.isEmpty() && (clip_.audioTracks < 1 || clip_.channelsPerTrack < 1))
            fail("audio needs at least one track and one channel");
        if (clip_.captions && clip_.videoCodec != "h264" && clip_.videoCodec != "mpeg2video")
            fail("captions are carried by h264 or mpeg2video only");
    }

    // The burnt-in timecode of frame 0: the start timecode ("hh:mm:ss:ff", ';' or '.' for drop-frame
    // notation read alike) in frames.
    int64_t firstTimecodeFrame() const {
        const QStringList parts = QString(clip_.startTimecode).replace(';', ':').replace('.', ':').split(':');
        if (parts.size() != 4)
            return 0;
        int64_t frames = 0;
        for (int i = 0; i < 3; ++i)
            frames = frames * 60 + parts[i].toInt();
        return frames * clip_.timecodeRate() + parts[3].toInt();
    }

    // The start falls on a whole frame, and the first audio sample with it, so sound and picture line up.
    int64_t startFrame() const { return std::llround(clip_.startSeconds * clip_.framesPerSecond()); }

    int64_t samplesBefore(int64_t frame) const {
        return firstSampleOfFrame(frame, clip_.sampleRate, clip_.rateNum, clip_.rateDen);
    }

    void prepareVideoFrames() {
        const AVCodecContext* c = video_.ctx.get();
        drawn_ = allocFrame();
        drawn_->format = drawingFormat(c->pix_fmt);
        drawn_->width = c->width;
        drawn_->height = c->height;
        check(av_frame_get_buffer(drawn_.get(), 0), "picture buffer");
        if (clip_.movingDetail)
            detail_ = std::make_unique<MovingDetail>(c->width, c->height);
        style_.timecodeRate = clip_.timecodeRate();
        style_.firstTimecodeFrame = firstTimecodeFrame();
        if (drawn_->format == c->pix_fmt)
            return;
        converted_ = allocFrame();
        converted_->format = c->pix_fmt;
        converted_->width = c->width;
        converted_->height = c->height;
        check(av_frame_get_buffer(converted_.get(), 0), "picture buffer");
        sws_.reset(sws_getContext(c->width, c->height, AVPixelFormat(drawn_->format), c->width, c->height,
                                  c->pix_fmt, SWS_POINT, nullptr, nullptr, nullptr));
        if (!sws_)
            fail("no conversion to the encoder's picture format");
    }

    const AVFrame* nextPicture(int64_t n) {
        check(av_frame_make_writable(drawn_.get()), "picture buffer");
        drawn_->interlaced_frame = clip_.interlaced;
        using Background = FrameCodeStyle::Background;
        style_.background = Background::Flat;
        if (clip_.flashAndBeep && isFlashFrame(n, clip_.timecodeRate()))
            style_.background = Background::White;
        else if (detail_)
            detail_->draw(drawn_.get(), n), style_.background = Background::Drawn;
        drawFrameCode(drawn_.get(), n, style_);
        AVFrame* out = drawn_.get();
        if (converted_) {
            check(av_frame_make_writable(converted_.get()), "picture buffer");
            sws_scale(sws_.get(), drawn_->data, drawn_->linesize, 0, drawn_->height, converted_->data,
                      converted_->linesize);
            out = converted_.get();
        }
        out->pts = startFrame() + n;
        out->interlaced_frame = clip_.interlaced;
        out->top_field_first = clip_.interlaced && !clip_.bottomFieldFirst;
        av_frame_remove_side_data(out, AV_FRAME_DATA_A53_CC);
        if (clip_.captions)
            attachCaption(out, n);
        return out;
    }

    void attachCaption(AVFrame* frame, int64_t n) const {
        const auto pair = captionPairForFrame(n, clip_.framesPerSecond());
        AVFrameSideData* sd = av_frame_new_side_data(frame, AV_FRAME_DATA_A53_CC, 3);
        if (!sd)
            fail("out of memory");
        sd->data[0] = 0xFC; // marker bits, cc_valid, NTSC field 1
        sd->data[1] = pair[0];
        sd->data[2] = pair[1];
    }

    void writeAudioUpTo(int64_t endSample) {
        for (size_t t = 0; t < audio_.size(); ++t) {
            const int frameSize = audio_[t].ctx->frame_size;
            const int64_t end = int(t) == clip_.endedTrack ? std::min(endSample, samplesBefore(clip_.endedTrackFrames))
                                                          : endSample;
            while (audioNext_[t] < end) {
                const int64_t count = frameSize > 0 ? std::min<int64_t>(frameSize, end - audioNext_[t])
                                                    : end - audioNext_[t];
                // A fixed-size encoder takes a short frame only at the very end.
                if (frameSize > 0 && count < frameSize && endSample < samplesBefore(clip_.frames))
                    break;
                encode(mux_.ctx.get(), audio_[t], audioFrame(int(t), audioNext_[t], int(count)).get());
                audioNext_[t] += count;
            }
        }
    }

    AVFramePtr audioFrame(int track, int64_t first, int count) const {
        const AVCodecContext* c = audio_[track].ctx.get();
        AVFramePtr f = allocFrame();
        f->format = c->sample_fmt;
        f->nb_samples = count;
        f->sample_rate = c->sample_rate;
        check(av_channel_layout_copy(&f->ch_layout, &c->ch_layout), "channel layout");
        check(av_frame_get_buffer(f.get(), 0), "audio buffer");
        const int channels = c->ch_layout.nb_channels;
        const bool planar = av_sample_fmt_is_planar(c->sample_fmt);
        const AVSampleFormat packed = av_get_packed_sample_fmt(c->sample_fmt);
        for (int ch = 0; ch < channels; ++ch) {
            const int source = track * clip_.channelsPerTrack + ch;
            for (int i = 0; i < count; ++i) {
                const double v = clip_.sourceSample(source, first + i);
                const int index = planar ? i : i * channels + ch;
                uint8_t* plane = f->extended_data[planar ? ch : 0];
                if (packed == AV_SAMPLE_FMT_FLT)
                    reinterpret_cast<float*>(plane)[index] = float(v);
                else if (packed == AV_SAMPLE_FMT_S16)
                    reinterpret_cast<int16_t*>(plane)[index] = int16_t(std::lrint(v * 32767));
                else if (packed == AV_SAMPLE_FMT_S32)
                    reinterpret_cast<int32_t*>(plane)[index] = int32_t(std::lrint(v * 8388607)) * 256;
                else
                    fail("unsupported audio sample format");
            }
        }
        f->pts = samplesBefore(startFrame()) + first;
        return f;
    }

    const ClipRecipe& clip_;
    bool& createdFile_;
    MuxerFile mux_;
    StreamEncoder video_;
    std::vector<StreamEncoder> audio_;
    std::vector<int64_t> audioNext_;
    AVFramePtr drawn_, converted_;
    SwsPtr sws_;
    std::unique_ptr<MovingDetail> detail_;
    FrameCodeStyle style_;
};

} // namespace

void writeSampleClip(const ClipRecipe& clip) {
    bool createdFile = false;
    try {
        ClipWriter writer(clip, createdFile);
        writer.open();
        writer.write();
    } catch (...) {
        // A half-written clip must not look like a good one.
        if (createdFile)
            QFile::remove(clip.path);
        throw;
    }
}

} // namespace samples
