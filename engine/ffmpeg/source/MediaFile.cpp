#include "source/MediaFile.h"

#include "captions/SubtitleTrack.h"
#include "core/AvError.h"
#include "core/CodecThreads.h"
#include "engine/OperatorTexts.h"

namespace engine::ff {

AVCodecContextPtr openDecoder(const AVStream& st, int threads) {
    const AVCodec* codec = avcodec_find_decoder(st.codecpar->codec_id);
    if (!codec)
        return nullptr;
    AVCodecContextPtr ctx(avcodec_alloc_context3(codec));
    if (!ctx || avcodec_parameters_to_context(ctx.get(), st.codecpar) < 0)
        return nullptr;
    ctx->pkt_timebase = st.time_base;
    ctx->thread_count = decoderThreads(*codec, threads);
    if (ctx->thread_count != 1)
        ctx->thread_type = FF_THREAD_FRAME | FF_THREAD_SLICE;
    if (avcodec_open2(ctx.get(), codec, nullptr) < 0)
        return nullptr;
    return ctx;
}

std::unique_ptr<MediaFile> MediaFile::open(const QString& path, const ByteSourceDecorator& decorate,
                                           QString& error, std::function<bool()> giveUp) {
    std::unique_ptr<MediaFile> f(new MediaFile(path));
    if (!f->openInput(decorate, error, std::move(giveUp)))
        return nullptr;
    return f;
}

bool MediaFile::openInput(const ByteSourceDecorator& decorate, QString& error, std::function<bool()> giveUp) {
    int rc = 0;
    input_ = GrowingInput::open(path_, decorate, rc, std::move(giveUp));
    if (!input_) {
        error = texts::cannotOpen(path_, avErrorText(rc));
        return false;
    }
    fmt_ = openDemuxer(nullptr, rc);
    if (!fmt_) {
        error = texts::cannotOpen(path_, whyNotOpened(rc));
        return false;
    }
    input_->setProbe(GrowthProbe::forFormat(*fmt_));
    grewAfterOpen_ = input_->growingAtOpen();
    // Weak guesses (a few bytes that look like some format) and text renderers are not media.
    if (fmt_->probe_score <= AVPROBE_SCORE_RETRY || !strcmp(fmt_->iformat->name, "tty")) {
        error = texts::cannotOpen(path_, texts::unknownContainer());
        return false;
    }
    rc = avformat_find_stream_info(fmt_.get(), nullptr);
    if (rc < 0) {
        error = texts::cannotOpen(path_, avErrorText(rc));
        return false;
    }
    const int video = av_find_best_stream(fmt_.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (video >= 0 && !(fmt_->streams[video]->disposition & AV_DISPOSITION_ATTACHED_PIC)) {
        AVStream* st = fmt_->streams[video];
        if (!openDecoder(*st, 1)) {
            error = texts::cannotOpen(path_, texts::noVideoDecoder());
            return false;
        }
        videoIndex_ = video;
        info_.hasVideo = true;
        const AVRational fps = av_guess_frame_rate(fmt_.get(), st, nullptr);
        if (fps.num > 0 && fps.den > 0 && av_q2d(fps) < 1000)
            info_.frameDuration = av_q2d(av_inv_q(fps));
    }
    for (unsigned i = 0; i < fmt_->nb_streams; ++i) {
        const AVStream* st = fmt_->streams[i];
        if (st->codecpar->codec_type == AVMEDIA_TYPE_AUDIO && st->codecpar->ch_layout.nb_channels > 0 &&
            openDecoder(*st, 1))
            audio_.push_back({int(i), st->codecpar->ch_layout.nb_channels, {}});
        else if (subtitleIndex_ < 0 && SubtitleTrack::isTextSubtitle(*st->codecpar))
            subtitleIndex_ = int(i);
    }
    if (!info_.hasVideo && audio_.empty()) {
        error = texts::cannotOpen(path_, texts::noVideoNorAudio());
        return false;
    }
    if (grewAfterOpen_ && !strcmp(fmt_->iformat->name, "mxf")) {
        packetTimes_ = std::make_unique<MxfPacketTimes>(*fmt_);
        packetTimes_->restartAt(0);
    }
    if (videoIndex_ >= 0 && !strcmp(fmt_->iformat->name, "mpegts"))
        tsPictures_ = std::make_unique<TsVideoPes>(fmt_->streams[videoIndex_]);
    origin_ = packetTimes_ ? 0.0 : findOrigin();
    if (videoIndex_ >= 0)
        videoTime_ = StreamTime(fmt_->streams[videoIndex_]->time_base, origin_);
    if (subtitleIndex_ >= 0)
        subtitleTime_ = StreamTime(fmt_->streams[subtitleIndex_]->time_base, origin_);
    for (auto& a : audio_) {
        a.time = StreamTime(fmt_->streams[a.index]->time_base, origin_);
        info_.audioChannels += a.channels;
    }
    findDuration();
    indexedKeys_ = readIndex();
    input_->startWaitingAtEdge();
    return true;
}

bool MediaFile::isTransportStream() const {
    return !strcmp(fmt_->iformat->name, "mpegts") || !strcmp(fmt_->iformat->name, "mpeg");
}

AVInputPtr MediaFile::openDemuxer(const AVInputFormat* format, int& rc) {
    AVFormatContext* raw = avformat_alloc_context();
    if (!raw) {
        rc = AVERROR(ENOMEM);
        return nullptr;
    }
    raw->pb = input_->avio();
    raw->flags |= AVFMT_FLAG_CUSTOM_IO;
    rc = avformat_open_input(&raw, path_.toUtf8().constData(), format, nullptr); // frees raw on failure
    return AVInputPtr(rc < 0 ? nullptr : raw);
}

bool MediaFile::reopenDemuxer() {
    input_->stopWaitingAtEdge();
    int rc = avio_seek(input_->avio(), 0, SEEK_SET) < 0 ? -1 : 0;
    AVInputPtr opened = rc < 0 ? nullptr : openDemuxer(fmt_->iformat, rc);
    const bool ok = opened && opened->nb_streams == fmt_->nb_streams;
    if (ok)
        fmt_ = std::move(opened);
    input_->startWaitingAtEdge();
    return ok;
}

std::optional<GrownSeekPoint> MediaFile::keyPictureBefore(double seconds) {
    // A GOP of most recordings fits several times over; further away the demuxer's landing is left as is.
    constexpr int64_t kSearchBytes = int64_t(16) << 20;
    const int64_t landed = avio_tell(fmt_->pb);
    if (!tsPictures_ || landed < 0)
        return std::nullopt;
    const int64_t to = std::min(input_->knownSize(), landed + kSearchBytes);
    const int64_t end = tsPictures_->firstAfter(input_->bytes(), landed, to, seconds).value_or(to);
    return tsPictures_->keyBefore(input_->bytes(), end, seconds, kSearchBytes);
}

bool MediaFile::readFrom(const GrownSeekPoint& point) {
    if (av_seek_frame(fmt_.get(), -1, point.pos, AVSEEK_FLAG_BYTE) < 0)
        return false;
    if (packetTimes_)
        packetTimes_->restartAt(point.packageSeconds);
    return true;
}

QString MediaFile::whyNotOpened(int rc) {
    if (input_->storageSilent())
        return texts::storageNotResponding();
    if (mp4WithoutIndex(input_->bytes(), input_->knownSize()))
        return texts::mp4StillRecording();
    return avErrorText(rc);
}

void MediaFile::findDuration() {
    // A file still being written: as far as its pictures reach on disk (FFmpeg guesses from the bit
    // rate, or reads a duration its writer has yet to fill in).
    if (grewAfterOpen_) {
        // An MXF file's end is found by walking it, on the demuxing thread, which brings the duration up.
        const auto end = input_->endTakesAWalk() ? origin_ : input_->endSeconds();
        if (end) {
            info_.duration = std::max(0.0, *end - origin_);
            return;
        }
    }
    double end = 0;
    if (videoIndex_ >= 0 && fmt_->streams[videoIndex_]->duration > 0)
        end = StreamTime(fmt_->streams[videoIndex_]->time_base, 0).seconds(fmt_->streams[videoIndex_]->duration);
    else if (fmt_->duration > 0) {
        const double start = fmt_->start_time != AV_NOPTS_VALUE ? double(fmt_->start_time) / AV_TIME_BASE : 0;
        end = double(fmt_->duration) / AV_TIME_BASE + start - origin_;
    }
    info_.duration = std::max(0.0, end);
}

MediaFile::IndexedKeys MediaFile::readIndex() const {
    IndexedKeys keys;
    if (videoIndex_ < 0 || packetTimes_)
        return keys;
    AVStream* st = fmt_->streams[videoIndex_];
    const int count = avformat_index_get_entries_count(st);
    const AVIndexEntry* first = count > 0 ? avformat_index_get_entry(st, 0) : nullptr;
    if (!first)
        return keys;
    // An index of every picture (MP4's sample table) is stamped with decoding times: a key picture is
    // shown as much later as the first one, which starts the clip.
    int64_t shift = 0;
    if ((first->flags & AVINDEX_KEYFRAME) && st->start_time != AV_NOPTS_VALUE && st->start_time > first->timestamp &&
        (st->start_time - first->timestamp) * av_q2d(st->time_base) < 1.0)
        shift = st->start_time - first->timestamp;
    bool everyPicture = false;
    for (int i = 0; i < count; ++i) {
        const AVIndexEntry* e = avformat_index_get_entry(st, i);
        if (!(e->flags & AVINDEX_KEYFRAME)) {
            everyPicture = true;
            continue;
        }
        if (e->timestamp != AV_NOPTS_VALUE)
            keys.times.push_back(videoTime_.seconds(e->timestamp + shift));
    }
    keys.complete = everyPicture && !grewAfterOpen_;
    return keys;
}

double MediaFile::findOrigin() const {
    if (videoIndex_ >= 0) {
        const AVStream* st = fmt_->streams[videoIndex_];
        if (st->start_time != AV_NOPTS_VALUE)
            return st->start_time * av_q2d(st->time_base);
    }
    if (fmt_->start_time != AV_NOPTS_VALUE)
        return double(fmt_->start_time) / AV_TIME_BASE;
    return 0;
}

} // namespace engine::ff
