#include "source/FileReader.h"

#include <QDateTime>
#include <QFileInfo>
#include <algorithm>

#include "core/AvError.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
}

namespace engine::ff {
namespace {
// Seeks to a point this close ahead decode forward instead of seeking the demuxer.
constexpr double kForwardDecodeSpan = 2.0;
// Non-reference pictures this far before a seek target are not decoded (the recent-frame ring keeps
// about this much behind the target for stepping back).
constexpr double kRingSpan = 1.0;
// A file that grew within this time is waited for at its end (it is still being written).
constexpr int64_t kGrowthWaitMs = 1500;

QString openError(const QString& path, const QString& why) {
    return QStringLiteral("Não foi possível abrir \"%1\": %2").arg(path, why);
}
} // namespace

std::unique_ptr<FileReader> FileReader::open(const QString& path, QString& error) {
    std::unique_ptr<FileReader> r(new FileReader(path));
    if (!r->openInput(error))
        return nullptr;
    if (!r->seek(0, {}, {})) {
        error = openError(path, QStringLiteral("nenhum quadro decodificável"));
        return nullptr;
    }
    return r;
}

bool FileReader::openInput(QString& error) {
    AVFormatContext* raw = nullptr;
    int rc = avformat_open_input(&raw, path_.toUtf8().constData(), nullptr, nullptr);
    if (rc < 0) {
        error = openError(path_, avErrorText(rc));
        return false;
    }
    fmt_.reset(raw);
    lastSize_ = QFileInfo(path_).size();
    // Weak guesses (a few bytes that look like some format) and text renderers are not media.
    if (fmt_->probe_score <= AVPROBE_SCORE_RETRY || !strcmp(fmt_->iformat->name, "tty")) {
        error = openError(path_, QStringLiteral("formato não reconhecido"));
        return false;
    }
    rc = avformat_find_stream_info(fmt_.get(), nullptr);
    if (rc < 0) {
        error = openError(path_, avErrorText(rc));
        return false;
    }
    if (!openVideo(error))
        return false;
    openAudio();
    for (unsigned i = 0; i < fmt_->nb_streams && subtitleIndex_ < 0; ++i)
        if (SubtitleTrack::isTextSubtitle(*fmt_->streams[i]->codecpar) &&
            subtitles_.open(*fmt_->streams[i]->codecpar, fmt_->streams[i]->time_base))
            subtitleIndex_ = int(i);
    if (!info_.hasVideo && audio_.empty()) {
        error = openError(path_, QStringLiteral("sem vídeo nem áudio"));
        return false;
    }
    const double origin = findOrigin();
    if (videoIndex_ >= 0)
        videoTime_ = StreamTime(fmt_->streams[videoIndex_]->time_base, origin);
    if (subtitleIndex_ >= 0)
        subtitleTime_ = StreamTime(fmt_->streams[subtitleIndex_]->time_base, origin);
    std::vector<int> layout;
    for (auto& a : audio_) {
        a.time = StreamTime(fmt_->streams[a.index]->time_base, origin);
        layout.push_back(a.channels);
        info_.audioChannels += a.channels;
    }
    merger_.configure(layout);

    double end = 0;
    if (videoIndex_ >= 0 && fmt_->streams[videoIndex_]->duration > 0)
        end = StreamTime(fmt_->streams[videoIndex_]->time_base, 0)
                  .seconds(fmt_->streams[videoIndex_]->duration);
    else if (fmt_->duration > 0) {
        const double start = fmt_->start_time != AV_NOPTS_VALUE ? double(fmt_->start_time) / AV_TIME_BASE : 0;
        end = double(fmt_->duration) / AV_TIME_BASE + start - origin;
    }
    info_.duration = duration_ = std::max(0.0, end);
    return true;
}

double FileReader::findOrigin() const {
    if (videoIndex_ >= 0) {
        const AVStream* st = fmt_->streams[videoIndex_];
        if (st->start_time != AV_NOPTS_VALUE)
            return st->start_time * av_q2d(st->time_base);
    }
    if (fmt_->start_time != AV_NOPTS_VALUE)
        return double(fmt_->start_time) / AV_TIME_BASE;
    return 0;
}

bool FileReader::openVideo(QString& error) {
    const AVCodec* codec = nullptr;
    const int index = av_find_best_stream(fmt_.get(), AVMEDIA_TYPE_VIDEO, -1, -1, &codec, 0);
    if (index < 0 || !codec || (fmt_->streams[index]->disposition & AV_DISPOSITION_ATTACHED_PIC))
        return true;
    AVStream* st = fmt_->streams[index];
    video_.reset(avcodec_alloc_context3(codec));
    avcodec_parameters_to_context(video_.get(), st->codecpar);
    video_->pkt_timebase = st->time_base;
    video_->thread_count = 0;
    video_->thread_type = FF_THREAD_FRAME | FF_THREAD_SLICE;
    const int rc = avcodec_open2(video_.get(), codec, nullptr);
    if (rc < 0) {
        error = openError(path_, avErrorText(rc));
        return false;
    }
    videoIndex_ = index;
    info_.hasVideo = true;
    const AVRational fps = av_guess_frame_rate(fmt_.get(), st, nullptr);
    if (fps.num > 0 && fps.den > 0 && av_q2d(fps) < 1000)
        info_.frameDuration = av_q2d(av_inv_q(fps));
    return true;
}

void FileReader::openAudio() {
    for (unsigned i = 0; i < fmt_->nb_streams; ++i) {
        AVStream* st = fmt_->streams[i];
        if (st->codecpar->codec_type != AVMEDIA_TYPE_AUDIO || st->codecpar->ch_layout.nb_channels <= 0)
            continue;
        const AVCodec* codec = avcodec_find_decoder(st->codecpar->codec_id);
        if (!codec)
            continue;
        AudioStream a;
        a.index = int(i);
        a.codec.reset(avcodec_alloc_context3(codec));
        avcodec_parameters_to_context(a.codec.get(), st->codecpar);
        a.codec->pkt_timebase = st->time_base;
        if (avcodec_open2(a.codec.get(), codec, nullptr) < 0)
            continue;
        a.channels = st->codecpar->ch_layout.nb_channels;
        audio_.push_back(std::move(a));
    }
}

FileReader::Feed FileReader::feedPacket() {
    if (fileEnded_)
        return Feed::End;
    const int rc = av_read_frame(fmt_.get(), pkt_.get());
    if (rc < 0) {
        if (rc == AVERROR_EOF && stillGrowing()) {
            fmt_->pb->eof_reached = 0;
            return Feed::Wait;
        }
        finishInput();
        return Feed::End;
    }
    AVPacket* pkt = pkt_.get();
    if (pkt->stream_index == videoIndex_) {
        if (!keySeen_ && (pkt->flags & AV_PKT_FLAG_KEY))
            keySeen_ = true;
        if (keySeen_) {
            const bool early =
                pkt->pts != AV_NOPTS_VALUE && videoTime_.seconds(pkt->pts) + info_.frameDuration < skipUntil_;
            video_->skip_frame = early ? AVDISCARD_NONREF : AVDISCARD_DEFAULT;
            avcodec_send_packet(video_.get(), pkt); // a damaged packet is skipped
        }
    } else if (pkt->stream_index == subtitleIndex_) {
        if (pkt->pts != AV_NOPTS_VALUE)
            subtitles_.feed(*pkt, subtitleTime_.seconds(pkt->pts));
    } else {
        for (auto& a : audio_)
            if (a.index == pkt->stream_index)
                decodeAudio(a, pkt);
    }
    av_packet_unref(pkt);
    return Feed::Packet;
}

void FileReader::finishInput() {
    fileEnded_ = true;
    if (video_)
        avcodec_send_packet(video_.get(), nullptr);
    for (size_t i = 0; i < audio_.size(); ++i) {
        decodeAudio(audio_[i], nullptr);
        merger_.endStream(int(i));
    }
}

bool FileReader::stillGrowing() {
    // Growing means larger than when last looked (at open, or at the previous end), or grown lately.
    const int64_t size = QFileInfo(path_).size();
    const int64_t now = QDateTime::currentMSecsSinceEpoch();
    if (size > lastSize_)
        lastGrowthMs_ = now;
    lastSize_ = std::max(lastSize_, size);
    return lastGrowthMs_ > 0 && now - lastGrowthMs_ < kGrowthWaitMs;
}

void FileReader::decodeAudio(AudioStream& a, const AVPacket* pkt) {
    if (avcodec_send_packet(a.codec.get(), pkt) < 0 && pkt)
        return;
    receiveAudio(a);
}

void FileReader::receiveAudio(AudioStream& a) {
    const int stream = int(&a - audio_.data());
    while (avcodec_receive_frame(a.codec.get(), scratch_.get()) == 0) {
        AVFrame* f = scratch_.get();
        // A stream may change its sound format midway (or seem to, when damaged); the converter reads
        // as many planes as it was set up for, so it is set up anew.
        if (a.swr && (f->format != a.swrFormat || f->sample_rate != a.swrRate ||
                      f->ch_layout.nb_channels != a.swrChannels))
            a.swr.reset();
        if (!a.swr) {
            AVChannelLayout out;
            av_channel_layout_default(&out, a.channels);
            SwrContext* swr = nullptr;
            swr_alloc_set_opts2(&swr, &out, AV_SAMPLE_FMT_FLT, AudioMerger::kSampleRate, &f->ch_layout,
                                AVSampleFormat(f->format), f->sample_rate, 0, nullptr);
            a.swr.reset(swr);
            if (!swr || swr_init(swr) < 0) {
                a.swr.reset();
                av_frame_unref(f);
                continue;
            }
            a.swrFormat = f->format;
            a.swrRate = f->sample_rate;
            a.swrChannels = f->ch_layout.nb_channels;
        }
        const double pos = f->best_effort_timestamp != AV_NOPTS_VALUE
                               ? a.time.seconds(f->best_effort_timestamp)
                               : a.nextPosition;
        const int capacity = swr_get_out_samples(a.swr.get(), f->nb_samples);
        std::vector<float> buf(size_t(std::max(capacity, 0)) * size_t(a.channels));
        uint8_t* outPlanes[] = {reinterpret_cast<uint8_t*>(buf.data())};
        const int got = swr_convert(a.swr.get(), outPlanes, capacity,
                                    const_cast<const uint8_t**>(f->extended_data), f->nb_samples);
        a.nextPosition = pos + double(f->nb_samples) / std::max(1, f->sample_rate);
        if (got > 0)
            merger_.push(stream, pos, buf.data(), got);
        av_frame_unref(f);
    }
}

FrameHandle FileReader::wrap(AVFramePtr frame) {
    const double dur = info_.frameDuration;
    const double tol = frameTolerance(dur);
    const int64_t ts = frame->best_effort_timestamp;
    const double pos = ts != AV_NOPTS_VALUE ? videoTime_.seconds(ts) : lastPosition_ + dur;
    lastPosition_ = pos;
    if (std::isnan(keyPosition_)) {
        if (!frame->key_frame && frame->pict_type != AV_PICTURE_TYPE_I)
            return nullptr;
        keyPosition_ = pos;
    }
    if (pos < keyPosition_ - tol || pos < -tol)
        return nullptr; // leading pictures of an open GOP

    auto vf = std::make_shared<VideoFrame>();
    AVRational sar = frame->sample_aspect_ratio;
    if (sar.num <= 0 || sar.den <= 0)
        sar = av_guess_sample_aspect_ratio(fmt_.get(), fmt_->streams[videoIndex_], nullptr);
    if (sar.num <= 0 || sar.den <= 0)
        sar = {1, 1};
    vf->position = pos;
    vf->duration = dur;
    vf->index = std::llround(pos / dur);
    vf->sampleAspect = sar;
    vf->interlaced = frame->interlaced_frame;
    vf->topFieldFirst = frame->top_field_first;
    if (captionsOn_) {
        if (av_frame_get_side_data(frame.get(), AV_FRAME_DATA_A53_CC))
            a53Seen_ = true;
        captions_.feedFrame(*frame, pos);
        vf->caption = a53Seen_ || !subtitles_.ok() ? captions_.screenAt(pos) : subtitles_.screenAt(pos);
    }
    vf->frame = std::move(frame);
    duration_ = std::max(duration_, pos + dur);
    return vf;
}

FileReader::Next FileReader::nextVideoFrame(FrameHandle& out, const AbortCheck& aborted) {
    for (;;) {
        if (!ready_.empty()) {
            out = ready_.front();
            ready_.pop_front();
            return Next::Frame;
        }
        if (videoEnded_)
            return Next::End;
        if (aborted && aborted())
            return Next::Aborted;
        const int rc = avcodec_receive_frame(video_.get(), scratch_.get());
        if (rc == 0) {
            AVFramePtr f(av_frame_alloc());
            av_frame_move_ref(f.get(), scratch_.get());
            if (auto vf = wrap(std::move(f)))
                ready_.push_back(std::move(vf));
        } else if (rc == AVERROR(EAGAIN)) {
            if (feedPacket() == Feed::Wait)
                return Next::Wait;
        } else {
            videoEnded_ = true;
        }
    }
}

void FileReader::restartAt(double seconds) {
    const int stream = videoIndex_ >= 0 ? videoIndex_ : -1;
    const int64_t ts =
        stream >= 0 ? videoTime_.ticks(seconds) : std::llround((seconds + findOrigin()) * AV_TIME_BASE);
    if (avformat_seek_file(fmt_.get(), stream, INT64_MIN, ts, ts, 0) < 0 &&
        av_seek_frame(fmt_.get(), stream, ts, AVSEEK_FLAG_BACKWARD) < 0)
        av_seek_frame(fmt_.get(), -1, 0, AVSEEK_FLAG_BYTE);
    if (video_)
        avcodec_flush_buffers(video_.get());
    for (auto& a : audio_) {
        avcodec_flush_buffers(a.codec.get());
        a.swr.reset();
    }
    ready_.clear();
    captions_.reset();
    if (subtitles_.ok())
        subtitles_.reset();
    fileEnded_ = videoEnded_ = keySeen_ = false;
    keyPosition_ = NAN;
    merger_.reset(seconds);
}

bool FileReader::seek(double target, const AbortCheck& aborted, const FrameObserver& decoded) {
    if (!(target > 0))
        target = 0;
    if (!info_.hasVideo) {
        restartAt(target);
        return true;
    }
    return seekVideo(target, aborted, decoded);
}

bool FileReader::seekVideo(double target, const AbortCheck& aborted, const FrameObserver& decoded) {
    const double tol = frameTolerance(info_.frameDuration);
    const double handed = lastHanded_ ? lastHanded_->position : -1;
    const bool forwardOk = target > handed + tol && target < handed + kForwardDecodeSpan;
    double backoff = 0;
    skipUntil_ = target - kRingSpan;
    for (int attempt = 0;; ++attempt) {
        const bool forward = attempt == 0 && forwardOk;
        const double seekPoint = std::max(0.0, target - backoff);
        if (!forward)
            restartAt(seekPoint);
        FrameHandle cand, f;
        bool any = false, overshoot = false;
        Next r;
        while ((r = nextVideoFrame(f, aborted)) == Next::Frame) {
            if (decoded)
                decoded(f);
            if (!any && !forward && f->position > target + tol && seekPoint > 0) {
                overshoot = true;
                break;
            }
            any = true;
            if (f->position > target + tol) {
                ready_.push_front(f);
                break;
            }
            cand = f;
        }
        if (r == Next::Aborted)
            return false;
        if (overshoot || (!any && !forward && seekPoint > 0)) { // landed after the target: start earlier
            backoff = backoff == 0 ? 1.0 : backoff * 2;
            continue;
        }
        if (!cand && !ready_.empty()) { // before the first frame: the first frame
            cand = ready_.front();
            ready_.pop_front();
        }
        if (!cand)
            cand = lastHanded_; // past the end: the last frame
        if (!cand)
            return false;
        ready_.push_front(cand);
        skipUntil_ = -1;
        // Audio restarts at the frame shown; what was decoded before it is dropped.
        merger_.skipTo(cand->position);
        return true;
    }
}

bool FileReader::read(ReadOut& out) {
    if (info_.hasVideo) {
        FrameHandle f;
        const Next r = nextVideoFrame(f, {});
        if (r == Next::Frame) {
            out.video.push_back(f);
            lastHanded_ = f;
        }
        pullAudio(out);
        if (r == Next::End) {
            // The rest of the audio after the last picture.
            while (feedPacket() == Feed::Packet)
                pullAudio(out);
            merger_.endAll();
            pullAudio(out);
            return !out.video.empty() || !out.audio.empty();
        }
        return true;
    }
    for (;;) {
        pullAudio(out);
        if (!out.audio.empty())
            return true;
        const Feed feed = feedPacket();
        if (feed == Feed::Wait)
            return true;
        if (feed == Feed::End) {
            pullAudio(out);
            return !out.audio.empty();
        }
    }
}

void FileReader::pullAudio(ReadOut& out) {
    while (auto block = merger_.pull())
        out.audio.push_back(std::move(block));
}

} // namespace engine::ff
