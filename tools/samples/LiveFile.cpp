#include "LiveFile.h"

#include "AvError.h"

#include <QFile>
#include <stdexcept>

extern "C" {
#include <libavutil/opt.h>
}

namespace samples::live {
namespace {

const char* muxerName(LiveFormat format) {
    switch (format) {
    case LiveFormat::Mxf:
        return "mxf";
    case LiveFormat::Ts:
        return "mpegts";
    case LiveFormat::Mp4:
        return "mp4";
    }
    return "";
}

} // namespace

QString liveExtension(LiveFormat format) {
    switch (format) {
    case LiveFormat::Mxf:
        return "mxf";
    case LiveFormat::Ts:
        return "ts";
    case LiveFormat::Mp4:
        return "mp4";
    }
    return {};
}

LiveFile::LiveFile(const QString& path, LiveFormat format, const Segment& segment, const QString& timecode)
    : path_(path), segment_(segment) {
    AVFormatContext* oc = nullptr;
    int err = avformat_alloc_output_context2(&oc, nullptr, muxerName(format), nullptr);
    if (err < 0 || !oc)
        fail("no muxer", err);
    out_.reset(oc);
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
    fileOpen_ = true;
    err = avformat_write_header(oc, &options);
    av_dict_free(&options);
    if (err < 0)
        fail("cannot write the header of", err);
    flush();
}

LiveFile::~LiveFile() {
    if (fileOpen_)
        avio_closep(&out_->pb);
}

void LiveFile::write(AVPacket* packet) {
    AVStream* st = out_->streams[packet->stream_index];
    av_packet_rescale_ts(packet, segment_.streams[packet->stream_index].timeBase, st->time_base);
    const int err = av_interleaved_write_frame(out_.get(), packet);
    if (err < 0)
        fail("cannot write", err);
}

void LiveFile::flush() {
    avio_flush(out_->pb);
    if (out_->pb->error < 0)
        fail("cannot write", out_->pb->error);
}

void LiveFile::finish() {
    int err = av_write_trailer(out_.get());
    if (err < 0)
        fail("cannot finish", err);
    fileOpen_ = false;
    if ((err = avio_closep(&out_->pb)) < 0)
        fail("cannot close", err);
}

void LiveFile::fail(const QString& what, int err) const {
    throw std::runtime_error(QString("%1 %2: %3").arg(what, path_, engine::ff::avErrorText(err)).toStdString());
}

} // namespace samples::live
