#include "LiveRemux.h"

#include <QFile>
#include <cmath>
#include <cstdio>
#include <stdexcept>

#include "core/AvPtr.h"

extern "C" {
#include <libavutil/mem.h>
}

namespace enginetest {
namespace {

using engine::ff::AVInputPtr;
using engine::ff::AVOutputPtr;

void check(int err, const char* what) {
    if (err < 0) {
        char text[AV_ERROR_MAX_STRING_SIZE] = {};
        av_strerror(err, text, sizeof text);
        throw std::runtime_error(std::string(what) + ": " + text);
    }
}

int appendToFile(void* opaque, uint8_t* buf, int size) {
    return std::fwrite(buf, 1, size_t(size), static_cast<FILE*>(opaque)) == size_t(size) ? size : AVERROR(EIO);
}

struct FileClose {
    void operator()(FILE* f) const { std::fclose(f); }
};
struct AvioClose {
    void operator()(AVIOContext* io) const { avio_close(io); }
};
struct AvioFree {
    void operator()(AVIOContext* io) const {
        av_freep(&io->buffer);
        avio_context_free(&io);
    }
};

} // namespace

void remuxAsLive(const QString& input, const QString& output, const char* format, const RemuxOptions& options) {
    AVFormatContext* rawIn = nullptr;
    check(avformat_open_input(&rawIn, input.toUtf8().constData(), nullptr, nullptr), "open input");
    const AVInputPtr in(rawIn);
    check(avformat_find_stream_info(in.get(), nullptr), "stream info");

    AVFormatContext* rawOut = nullptr;
    check(avformat_alloc_output_context2(&rawOut, nullptr, format, nullptr), "output format");
    const AVOutputPtr out(rawOut);
    for (unsigned i = 0; i < in->nb_streams; ++i) {
        AVStream* st = avformat_new_stream(out.get(), nullptr);
        if (!st)
            throw std::runtime_error("new stream");
        check(avcodec_parameters_copy(st->codecpar, in->streams[i]->codecpar), "stream parameters");
        st->codecpar->codec_tag = 0;
        st->time_base = in->streams[i]->time_base;
        st->avg_frame_rate = in->streams[i]->avg_frame_rate;
    }
    av_dict_copy(&out->metadata, in->metadata, 0);

    std::unique_ptr<FILE, FileClose> file;
    std::unique_ptr<AVIOContext, AvioFree> io;
    if (options.seekable) {
        check(avio_open(&out->pb, output.toUtf8().constData(), AVIO_FLAG_WRITE), "open output");
    } else {
        file.reset(std::fopen(output.toUtf8().constData(), "wb"));
        if (!file)
            throw std::runtime_error("cannot write " + output.toStdString());
        constexpr int kBufferSize = 64 * 1024;
        auto* buffer = static_cast<uint8_t*>(av_malloc(kBufferSize));
        io.reset(avio_alloc_context(buffer, kBufferSize, 1, file.get(), nullptr, appendToFile, nullptr));
        io->seekable = 0;
        out->pb = io.get();
        out->flags |= AVFMT_FLAG_CUSTOM_IO;
    }
    const std::unique_ptr<AVIOContext, AvioClose> opened(options.seekable ? out->pb : nullptr);

    AVDictionary* muxerOptions = nullptr;
    if (options.movflags)
        av_dict_set(&muxerOptions, "movflags", options.movflags, 0);
    const int headerErr = avformat_write_header(out.get(), &muxerOptions);
    av_dict_free(&muxerOptions);
    check(headerErr, "write header");

    const engine::ff::AVPacketPtr pkt = engine::ff::makePacket();
    while (av_read_frame(in.get(), pkt.get()) >= 0) {
        const AVRational outBase = out->streams[pkt->stream_index]->time_base;
        av_packet_rescale_ts(pkt.get(), in->streams[pkt->stream_index]->time_base, outBase);
        const int64_t shift = av_rescale_q(std::llround(options.shiftSeconds * AV_TIME_BASE), AV_TIME_BASE_Q, outBase);
        if (pkt->pts != AV_NOPTS_VALUE)
            pkt->pts += shift;
        if (pkt->dts != AV_NOPTS_VALUE)
            pkt->dts += shift;
        pkt->pos = -1;
        check(av_interleaved_write_frame(out.get(), pkt.get()), "write packet");
    }
    check(av_write_trailer(out.get()), "write trailer");
    avio_flush(out->pb);
}

void copyPrefix(const QString& path, int64_t bytes, const QString& copy) {
    QFile from(path);
    QFile to(copy);
    if (!from.open(QIODevice::ReadOnly) || !to.open(QIODevice::WriteOnly | QIODevice::Append))
        throw std::runtime_error("cannot copy " + path.toStdString());
    const int64_t have = to.size();
    if (have > bytes || !from.seek(have) || to.write(from.read(bytes - have)) != bytes - have)
        throw std::runtime_error("cannot grow the copy of " + path.toStdString());
}

} // namespace enginetest
