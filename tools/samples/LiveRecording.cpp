// The live mode's writer: repeats the segment GOP by GOP at the media's pace, cuts files at key
// pictures, numbers their timecode on from the previous file and keeps only the newest of its own files.
#include "samples/LiveRecording.h"

#include "GopTimecode.h"
#include "LiveFile.h"
#include "LivePacer.h"
#include "LiveSegment.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <cmath>
#include <deque>
#include <memory>
#include <optional>
#include <stdexcept>

namespace samples {
namespace live {
namespace {

using namespace engine::ff;

// A transport stream never starts at zero: its files carry the stream's running time from here on.
constexpr int64_t kTransportStreamStartSeconds = 10;

void validate(const LiveOptions& o) {
    const QFileInfo folder(o.folder);
    if (o.folder.isEmpty() || !folder.isDir())
        throw std::invalid_argument("no folder " + o.folder.toStdString() + " (it must exist)");
    if (!folder.isWritable())
        throw std::invalid_argument("cannot write into " + o.folder.toStdString());
    if (!std::isfinite(o.fileMinutes) || o.fileMinutes <= 0)
        throw std::invalid_argument("the file length must be more than 0 minutes");
    if (!std::isfinite(o.segmentSeconds) || o.segmentSeconds <= 0 || o.segmentSeconds > 600)
        throw std::invalid_argument("the segment must last more than 0 and at most 600 seconds");
    if (o.keepFiles < 1)
        throw std::invalid_argument("at least one file must be kept");
    if (o.prefix.isEmpty() || o.prefix.startsWith('.') || o.prefix.contains('/') || o.prefix.contains('\\'))
        throw std::invalid_argument("the name prefix must be a plain file name: " + o.prefix.toStdString());
}

QString timecodeText(int64_t frame, int rate) {
    const int64_t day = int64_t(24) * 3600 * rate;
    frame = ((frame % day) + day) % day;
    const int64_t seconds = frame / rate;
    return QString("%1:%2:%3:%4")
        .arg(seconds / 3600, 2, 10, QChar('0'))
        .arg(seconds / 60 % 60, 2, 10, QChar('0'))
        .arg(seconds % 60, 2, 10, QChar('0'))
        .arg(frame % rate, 2, 10, QChar('0'));
}

class LiveRecorder {
  public:
    LiveRecorder(const LiveOptions& options, const std::atomic<bool>& stop, const LiveReport& report)
        : options_(options), stop_(stop), report_(report),
          segment_(makeSegment(options.format, options.size, options.segmentSeconds)) {
        const AVRational videoBase = segment_.video().timeBase;
        fileTicks_ = std::max<int64_t>(1, std::llround(options.fileMinutes * 60 / av_q2d(videoBase)));
        if (options.format == LiveFormat::Ts)
            fixedOrigin_ = -av_rescale_q(kTransportStreamStartSeconds, {1, 1}, videoBase);
        isMpeg2_ = segment_.video().parameters->codec_id == AV_CODEC_ID_MPEG2VIDEO;
    }

    void run() {
        firstTimecodeFrame_ =
            QTime::currentTime().msecsSinceStartOfDay() * int64_t(segment_.timecodeRate) / 1000;
        for (int64_t repetition = 0; !stop_.load(); ++repetition) {
            for (size_t gop = 0; gop < segment_.gops.size(); ++gop) {
                const int64_t start = gopStart(repetition, gop);
                if (file_ && start - fileStart_ >= fileTicks_)
                    finishFile();
                if (stop_.load())
                    break;
                if (!file_)
                    startFile(start);
                if (!writeGop(repetition, gop))
                    break;
            }
        }
        if (file_)
            finishFile();
    }

  private:
    // Presentation time of a GOP's first picture in the whole recording, in the video time base.
    int64_t gopStart(int64_t repetition, size_t gop) const {
        return segment_.gopStarts[gop] + repetition * segment_.video().length;
    }

    int64_t frameAt(int64_t videoTime) const {
        return av_rescale_q(videoTime, segment_.video().timeBase, av_inv_q(segment_.frameRate));
    }

    QString newFilePath() const {
        const QDir folder(options_.folder);
        const QString stem = options_.prefix + QDateTime::currentDateTime().toString("_yyyyMMdd_HHmmss");
        const QString extension = "." + liveExtension(options_.format);
        QString path = folder.filePath(stem + extension);
        for (int n = 2; QFileInfo::exists(path); ++n)
            path = folder.filePath(QString("%1_%2%3").arg(stem).arg(n).arg(extension));
        return path;
    }

    void startFile(int64_t start) {
        while (int(ownFiles_.size()) >= options_.keepFiles) {
            const QString oldest = ownFiles_.front();
            ownFiles_.pop_front();
            if (!QFile::remove(oldest) && QFileInfo::exists(oldest))
                throw std::runtime_error("cannot remove " + oldest.toStdString());
            report_("removed " + oldest);
        }
        const QString path = newFilePath();
        const QString timecode = timecodeText(firstTimecodeFrame_ + frameAt(start), segment_.timecodeRate);
        try {
            file_ = std::make_unique<LiveFile>(path, options_.format, segment_, timecode);
        } catch (...) {
            QFile::remove(path); // the name was free: whatever is there is this run's
            throw;
        }
        ownFiles_.push_back(path);
        fileStart_ = start;
        picturesInFile_ = 0;
        shownEnd_ = 0;
        report_("started " + path);
    }

    void finishFile() {
        file_->finish();
        report_("finished " + file_->path());
        file_.reset();
    }

    // Writes one GOP of one repetition; false when a stop request ended it early (at a point where every
    // picture written so far can be shown: none missing before the last one).
    bool writeGop(int64_t repetition, size_t gop) {
        const auto& packets = segment_.gops[gop];
        for (size_t i = 0; i < packets.size(); ++i) {
            const AVPacket& pkt = *packets[i];
            if (pkt.stream_index == 0) {
                if (stopAllowed())
                    return finishAudio(repetition, gop, i);
                const int64_t dts = pkt.dts + repetition * segment_.video().length;
                pacer_.waitFor(double(dts) * av_q2d(segment_.video().timeBase), stop_);
                if (stopAllowed())
                    return finishAudio(repetition, gop, i);
            }
            write(pkt, repetition);
            if (pkt.stream_index == 0) {
                const int64_t shown = frameAt(pkt.pts + repetition * segment_.video().length - fileStart_);
                ++picturesInFile_;
                shownEnd_ = std::max(shownEnd_, shown + 1);
                file_->flush();
            }
        }
        return true;
    }

    bool stopAllowed() const { return stop_.load() && picturesInFile_ > 0 && picturesInFile_ == shownEnd_; }

    // The sound that goes with the pictures written, from the rest of the GOP; returns false (stopped).
    bool finishAudio(int64_t repetition, size_t gop, size_t from) {
        const auto& packets = segment_.gops[gop];
        const AVRational frameBase = av_inv_q(segment_.frameRate);
        for (size_t i = from; i < packets.size(); ++i) {
            const AVPacket& pkt = *packets[i];
            const SegmentStream& s = segment_.streams[pkt.stream_index];
            const int64_t shownEnd = av_rescale_q(shownEnd_, frameBase, s.timeBase) +
                                     av_rescale_q(fileStart_, segment_.video().timeBase, s.timeBase);
            if (pkt.stream_index != 0 && pkt.pts + repetition * s.length < shownEnd)
                write(pkt, repetition);
        }
        file_->flush();
        return false;
    }

    void write(const AVPacket& source, int64_t repetition) {
        const SegmentStream& s = segment_.streams[source.stream_index];
        const AVRational videoBase = segment_.video().timeBase;
        if (av_packet_ref(scratch_.get(), &source) < 0)
            throw std::runtime_error("out of memory");
        const int64_t origin = av_rescale_q(fixedOrigin_ ? *fixedOrigin_ : fileStart_, videoBase, s.timeBase);
        const int64_t shift = repetition * s.length - origin;
        scratch_->pts += shift;
        scratch_->dts += shift;
        if (isMpeg2_ && source.stream_index == 0 && (source.flags & AV_PKT_FLAG_KEY)) {
            const int64_t frame = firstTimecodeFrame_ + frameAt(source.pts + repetition * s.length);
            if (av_packet_make_writable(scratch_.get()) < 0)
                throw std::runtime_error("out of memory");
            setGopTimecode(scratch_->data, scratch_->size, frame, segment_.timecodeRate);
        }
        file_->write(scratch_.get());
        av_packet_unref(scratch_.get());
    }

    const LiveOptions& options_;
    const std::atomic<bool>& stop_;
    const LiveReport& report_;
    const Segment segment_;
    int64_t fileTicks_ = 0;
    // Where every file's timestamps count from (video time base), if not from the file's first picture.
    std::optional<int64_t> fixedOrigin_;
    bool isMpeg2_ = false;
    int64_t firstTimecodeFrame_ = 0;
    LivePacer pacer_;
    AVPacketPtr scratch_ = makePacket();

    std::deque<QString> ownFiles_; // this run's files on disk, oldest first
    std::unique_ptr<LiveFile> file_;
    int64_t fileStart_ = 0; // video time of the open file's first picture
    int64_t picturesInFile_ = 0;
    int64_t shownEnd_ = 0; // frames from the file's start to the end of the latest picture written
};

} // namespace
} // namespace live

LiveFormat liveFormatNamed(const QString& name) {
    for (LiveFormat f : {LiveFormat::Mxf, LiveFormat::Ts, LiveFormat::Mp4})
        if (name == live::liveExtension(f))
            return f;
    throw std::invalid_argument("unknown format " + name.toStdString() + " (mxf, ts or mp4)");
}

void runLiveRecording(const LiveOptions& options, const std::atomic<bool>& stop, const LiveReport& report) {
    live::validate(options);
    live::LiveRecorder(options, stop, report).run();
}

} // namespace samples
