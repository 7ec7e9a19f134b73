#include "writer/EncodeSession.h"
#include "engine/OperatorTexts.h"

namespace engine::ff {

EncodeSession::EncodeSession(WriterSettings settings, std::unique_ptr<OutputFile> file)
    : settings_(std::move(settings)), file_(std::move(file)) {}

EncodeSession::~EncodeSession() {
    abandon();
}

void EncodeSession::abandon() {
    if (file_)
        file_->discard();
}

double EncodeSession::seconds() const {
    return videoEnc_ ? double(frames_) * av_q2d(videoEnc_->frameDuration()) : 0.0;
}

int64_t EncodeSession::audioSamplesFor(int64_t frames) const {
    const AVRational d = videoEnc_->frameDuration();
    return av_rescale(frames * d.num, AudioEncoder::kInputRate, d.den);
}

QString EncodeSession::start(const VideoFrame& first) {
    QString error;
    const AVOutputFormat* muxer = settings_.format->muxer;
    const bool needsGlobal = muxer->flags & AVFMT_GLOBALHEADER;
    videoEnc_ = VideoEncoder::open(settings_.video, settings_.videoOptions, first, needsGlobal, error);
    if (!videoEnc_)
        return error;
    videoStream_ = file_->addStream(videoEnc_->context(), error);
    if (!videoStream_)
        return error;
    if (settings_.audio) {
        audioEnc_ = AudioEncoder::open(settings_.audio, settings_.audioOptions, needsGlobal, error);
        if (!audioEnc_)
            return error;
        audioStream_ = file_->addStream(audioEnc_->context(), error);
        if (!audioStream_)
            return error;
    }
    if (error = file_->writeHeader(settings_.formatOptions); !error.isEmpty())
        return error;
    videoSink_ = [this](AVPacket* p) {
        return file_->write(p, videoStream_, videoEnc_->context()->time_base);
    };
    audioSink_ = [this](AVPacket* p) {
        return file_->write(p, audioStream_, audioEnc_->context()->time_base);
    };
    return {};
}

QString EncodeSession::video(const FrameHandle& frame) {
    if (!videoEnc_)
        if (QString error = start(*frame); !error.isEmpty())
            return error;
    if (audioEnc_ && !placement_.anchored())
        placement_.anchor(*audioEnc_, frame->position, audioSamplesFor(frames_));
    if (QString error = videoEnc_->encode(*frame, frames_, videoSink_); !error.isEmpty())
        return error;
    ++frames_;
    return audioEnc_ ? audioEnc_->release(audioSamplesFor(frames_), audioSink_) : QString();
}

QString EncodeSession::audio(const AudioHandle& block) {
    if (!settings_.audio)
        return {};
    placement_.add(block);
    return placement_.anchored() ? audioEnc_->release(audioSamplesFor(frames_), audioSink_) : QString();
}

void EncodeSession::discontinuity() {
    placement_.unanchor();
}

QString EncodeSession::finish(const std::function<bool()>& abandoned) {
    if (!videoEnc_) {
        abandon();
        return texts::noPictureFromSource();
    }
    if (QString error = videoEnc_->flush(videoSink_); !error.isEmpty())
        return error;
    if (audioEnc_)
        if (QString error = audioEnc_->finish(audioSamplesFor(frames_), audioSink_); !error.isEmpty())
            return error;
    return file_->finish([&](const QString&) { return abandoned() ? texts::exportAbandoned() : QString(); });
}

} // namespace engine::ff
