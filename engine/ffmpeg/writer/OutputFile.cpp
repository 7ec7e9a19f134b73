#include "writer/OutputFile.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <filesystem>

#include "core/AvError.h"
#include "engine/OperatorTexts.h"

namespace engine::ff {
namespace {

std::filesystem::path fsPath(const QString& s) {
    return std::filesystem::path(s.toStdU16String());
}

QString temporaryNameFor(const QString& target) {
    const QFileInfo info(target);
    const QString tag = QString::number(QRandomGenerator::global()->generate(), 16);
    return info.absoluteDir().filePath(QStringLiteral(".%1.%2.part").arg(info.fileName(), tag));
}

} // namespace

OutputFile::OutputFile(QString target, QString temp, AVOutputPtr ctx)
    : target_(std::move(target)), temp_(std::move(temp)), ctx_(std::move(ctx)) {}

OutputFile::~OutputFile() {
    discard();
}

std::unique_ptr<OutputFile> OutputFile::create(const QString& target, const AVOutputFormat* muxer,
                                               QString& error) {
    if (muxer->flags & AVFMT_NOFILE) {
        error = texts::formatStreamsToNetwork(muxer->name);
        return nullptr;
    }
    const QFileInfo info(target);
    if (!info.absoluteDir().exists()) {
        error = texts::folderMissing(QDir::toNativeSeparators(info.absolutePath()));
        return nullptr;
    }
    const QString temp = temporaryNameFor(target);
    AVFormatContext* raw = nullptr;
    const QByteArray tempUtf8 = temp.toUtf8();
    if (int rc = avformat_alloc_output_context2(&raw, muxer, nullptr, tempUtf8.constData()); rc < 0) {
        error = texts::cannotSetUpFormat(muxer->name, avErrorText(rc));
        return nullptr;
    }
    AVOutputPtr ctx(raw);
    if (int rc = avio_open(&ctx->pb, tempUtf8.constData(), AVIO_FLAG_WRITE); rc < 0) {
        error = texts::cannotWriteInFolder(QDir::toNativeSeparators(info.absolutePath()), avErrorText(rc));
        return nullptr;
    }
    return std::unique_ptr<OutputFile>(new OutputFile(target, temp, std::move(ctx)));
}

AVStream* OutputFile::addStream(const AVCodecContext* encoder, QString& error) {
    AVStream* st = avformat_new_stream(ctx_.get(), nullptr);
    if (!st) {
        error = texts::outOfMemoryAddingStream();
        return nullptr;
    }
    if (int rc = avcodec_parameters_from_context(st->codecpar, encoder); rc < 0) {
        error = texts::cannotDescribeStream(avErrorText(rc));
        return nullptr;
    }
    st->time_base = encoder->time_base;
    if (encoder->codec_type == AVMEDIA_TYPE_VIDEO) {
        st->avg_frame_rate = encoder->framerate;
        st->sample_aspect_ratio = encoder->sample_aspect_ratio;
    }
    return st;
}

QString OutputFile::writeHeader(const AttributeValues& options) {
    AVDictionary* dict = nullptr;
    for (const auto& [name, value] : options)
        av_dict_set(&dict, name.toUtf8().constData(), value.toUtf8().constData(), 0);
    const int rc = avformat_write_header(ctx_.get(), &dict);
    av_dict_free(&dict);
    if (rc < 0)
        return texts::formatRefusedStreams(ctx_->oformat->name, avErrorText(rc));
    headerWritten_ = true;
    return {};
}

QString OutputFile::write(AVPacket* packet, AVStream* stream, AVRational encoderTimeBase) {
    packet->stream_index = stream->index;
    av_packet_rescale_ts(packet, encoderTimeBase, stream->time_base);
    int rc = av_interleaved_write_frame(ctx_.get(), packet);
    if (rc >= 0 && ctx_->pb && ctx_->pb->error < 0)
        rc = ctx_->pb->error;
    if (rc < 0)
        return texts::writingFailed(QDir::toNativeSeparators(target_), avErrorText(rc));
    return {};
}

QString OutputFile::closeIo() {
    if (!ctx_ || !ctx_->pb)
        return {};
    avio_flush(ctx_->pb);
    int rc = ctx_->pb->error;
    const int closeRc = avio_closep(&ctx_->pb);
    if (rc >= 0)
        rc = closeRc;
    return rc < 0 ? avErrorText(rc) : QString();
}

QString OutputFile::finish(const std::function<QString(const QString& writtenFile)>& check) {
    if (done_)
        return texts::fileAlreadyClosed();
    QString error;
    if (!headerWritten_) {
        error = texts::nothingRecorded();
    } else if (int rc = av_write_trailer(ctx_.get()); rc < 0) {
        error = texts::finishingFailed(QDir::toNativeSeparators(target_), avErrorText(rc));
    } else if (QString ioError = closeIo(); !ioError.isEmpty()) {
        error = texts::writingFailed(QDir::toNativeSeparators(target_), ioError);
    } else if (check) {
        error = check(temp_);
    }
    if (!error.isEmpty()) {
        discard();
        return error;
    }
    std::error_code ec;
    std::filesystem::rename(fsPath(temp_), fsPath(target_), ec);
    if (ec) {
        discard();
        return texts::cannotPutInPlace(QDir::toNativeSeparators(target_), systemErrorText(ec));
    }
    done_ = true;
    return {};
}

void OutputFile::discard() {
    if (done_)
        return;
    done_ = true;
    closeIo();
    std::error_code ec;
    std::filesystem::remove(fsPath(temp_), ec);
}

} // namespace engine::ff
