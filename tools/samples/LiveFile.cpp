#include "LiveFile.h"

#include "AvError.h"

#include <QFile>
#include <stdexcept>

extern "C" {
#include <libavutil/opt.h>
}

namespace samples::live {
namespace {

struct FormatNames {
    const char* muxer;
    const char* extension;
};

FormatNames namesOf(LiveFormat format) {
    switch (format) {
    case LiveFormat::Mxf:
        return {"mxf", "mxf"};
    case LiveFormat::Ts:
        return {"mpegts", "ts"};
    case LiveFormat::Mp4:
        return {"mp4", "mp4"};
    }
    throw std::invalid_argument("unknown live format");
}

} // namespace

QString liveExtension(LiveFormat format) {
    return namesOf(format).extension;
}

LiveFile::LiveFile(const QString& path, LiveFormat format, const Segment& segment, const QString& timecode)
    : path_(path), segment_(segment) {
    AVFormatContext* oc = nullptr;
    int err = avformat_alloc_output_context2(&oc, nullptr, namesOf(format).muxer, nullptr);
    if (err < 0 || !oc)
        fail("no muxer", err);
    out_.ctx.reset(oc);
    av_dict_set(&oc->metadata, "timecode", timecode.toUtf8().constData(), 0);
    for (const SegmentStream& s : segment.streams) {
        AVStream* st = avformat_new_stream(oc, nullptr);
        if (!st || avcodec_parameters_copy(st->codecpar, s.parameters.get()) < 0)
            fail("out of memory", AVERROR(ENOMEM));
        st->codecpar->codec_tag = 0; // the muxer's own tag for the codec
        st->time_base = s.timeBase;
        if (st->codecpar->codec_type == AVMEDIA_TYPE_VIDEO) {
            st->avg_frame_rate = segment.frameRate;
            st->sample_aspect_ratio = st->codecpar->sample_aspect_ratio;
            av_dict_set(&st->metadata, "timecode", timecode.toUtf8().constData(), 0);
        }
    }
    AVDictionary* options = nullptr;
    // Each fragment (one GOP) is complete and readable as soon as it is written.
    if (format == LiveFormat::Mp4)
        av_dict_set(&options, "movflags", "frag_keyframe+empty_moov+default_base_moof", 0);
    if ((err = avio_open(&oc->pb, QFile::encodeName(path).constData(), AVIO_FLAG_WRITE)) < 0) {
        av_dict_free(&options);
        fail("cannot create", err);
    }
    out_.fileOpen = true;
    err = avformat_write_header(oc, &options);
    av_dict_free(&options);
    if (err < 0)
        fail("cannot write the header of", err);
    flush();
}

void LiveFile::write(AVPacket* packet) {
    AVStream* st = out_.ctx->streams[packet->stream_index];
    av_packet_rescale_ts(packet, segment_.streams[packet->stream_index].timeBase, st->time_base);
    const int err = av_interleaved_write_frame(out_.ctx.get(), packet);
    if (err < 0)
        fail("cannot write", err);
}

void LiveFile::flush() {
    AVIOContext* pb = out_.ctx->pb;
    avio_flush(pb);
    if (pb->error < 0)
        fail("cannot write", pb->error);
}

void LiveFile::finish() {
    int err = av_write_trailer(out_.ctx.get());
    if (err < 0)
        fail("cannot finish", err);
    out_.fileOpen = false;
    if ((err = avio_closep(&out_.ctx->pb)) < 0)
        fail("cannot close", err);
}

void LiveFile::fail(const QString& what, int err) const {
    throw std::runtime_error(
        QString("%1 %2: %3").arg(what, path_, engine::ff::avErrorText(err)).toStdString());
}

} // namespace samples::live
