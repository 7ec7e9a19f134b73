#include "source/DemuxStage.h"

#include <algorithm>
#include <filesystem>

namespace engine::ff {
namespace {
// A file that grew within this time is waited for at its end (it is still being written).
constexpr int64_t kGrowthWaitMs = 1500;
constexpr auto kGrowthPoll = std::chrono::milliseconds(100);

// -1 when the file cannot be looked at.
int64_t fileSize(const QString& path) {
    std::error_code ec;
    const auto size = std::filesystem::file_size(std::filesystem::path(path.toStdU16String()), ec);
    return ec ? -1 : int64_t(size);
}
} // namespace

DemuxStage::DemuxStage(SourceCore& core, MediaFile& file, SubtitleTrack& subtitles, ReadGate readGate)
    : core_(core), file_(file), subtitles_(subtitles), readGate_(std::move(readGate)),
      lastSize_(fileSize(file.path())) {
    thread_ = std::thread([this] { run(); });
}

DemuxStage::~DemuxStage() {
    if (thread_.joinable())
        thread_.join();
}

bool DemuxStage::roomLocked() const {
    int64_t bytes = core_.videoPackets.bytes();
    for (const auto& q : core_.audioPackets)
        bytes += q.bytes();
    if (bytes >= kHardMaxBytes)
        return false;
    bool starving = false, short_ = false;
    auto look = [&](const PacketQueue& q) {
        starving = starving || (!q.ended() && q.empty());
        short_ = short_ || (!q.ended() && q.seconds() < kAheadSeconds);
    };
    if (file_.videoIndex() >= 0)
        look(core_.videoPackets);
    for (const auto& q : core_.audioPackets)
        look(q);
    return starving || (bytes < kMaxBytes && short_);
}

void DemuxStage::run() {
    Lock lk(core_.m);
    while (!core_.quit) {
        if (core_.demuxSeekPending) {
            core_.demuxSeekPending = false;
            const double to = core_.demuxSeekTo;
            lk.unlock();
            seekTo(to);
            lk.lock();
            ended_ = false;
            if (file_.subtitleIndex() >= 0)
                subtitles_.reset();
            continue;
        }
        if (ended_ || !roomLocked()) {
            core_.wakeWorker.wait(lk);
            continue;
        }
        const uint64_t serial = core_.demuxSerial;
        lk.unlock();
        if (readGate_)
            readGate_(file_.path());
        AVPacketPtr pkt = makePacket();
        const int rc = av_read_frame(file_.format(), pkt.get());
        bool growing = false;
        if (rc == AVERROR_EOF && stillGrowing()) {
            file_.format()->pb->eof_reached = 0;
            growing = true;
        }
        lk.lock();
        if (serial != core_.demuxSerial || core_.demuxSeekPending)
            continue; // read from before a seek
        if (growing) {
            core_.wakeWorker.wait_for(lk, kGrowthPoll);
        } else if (rc < 0) {
            queueEnds();
            ended_ = true;
        } else {
            queuePacket(std::move(pkt));
        }
    }
}

void DemuxStage::seekTo(double seconds) {
    AVFormatContext* fmt = file_.format();
    // Before the clip (a negative time): from the beginning; by bytes where timestamps only approximate
    // the position (MPEG program and transport streams).
    const bool byBytes = !strcmp(fmt->iformat->name, "mpegts") || !strcmp(fmt->iformat->name, "mpeg");
    if (seconds < 0 && byBytes && av_seek_frame(fmt, -1, 0, AVSEEK_FLAG_BYTE) >= 0)
        return;
    seconds = std::max(seconds, 0.0);
    const int stream = file_.videoIndex();
    const int64_t ts = stream >= 0 ? file_.videoTime().ticks(seconds)
                                   : std::llround((seconds + file_.origin()) * AV_TIME_BASE);
    if (avformat_seek_file(fmt, stream, INT64_MIN, ts, ts, 0) < 0 &&
        av_seek_frame(fmt, stream, ts, AVSEEK_FLAG_BACKWARD) < 0)
        av_seek_frame(fmt, -1, 0, AVSEEK_FLAG_BYTE);
}

void DemuxStage::queuePacket(AVPacketPtr pkt) {
    const int index = pkt->stream_index;
    const AVStream* st = file_.format()->streams[index];
    const StreamTime time(st->time_base, file_.origin());
    const int64_t ts = pkt->pts != AV_NOPTS_VALUE ? pkt->pts : pkt->dts;
    QueuedPacket q{core_.demuxSerial, nullptr, 0, 0};
    if (ts != AV_NOPTS_VALUE) {
        q.start = time.seconds(ts);
        q.end = q.start + std::max<int64_t>(pkt->duration, 0) * av_q2d(st->time_base);
    }
    if (index == file_.subtitleIndex()) {
        if (pkt->pts != AV_NOPTS_VALUE)
            subtitles_.feed(*pkt, file_.subtitleTime().seconds(pkt->pts));
        return;
    }
    q.packet = std::move(pkt);
    if (index == file_.videoIndex()) {
        core_.videoPackets.push(std::move(q));
        core_.wakeWorker.notify_all();
        return;
    }
    const auto& audio = file_.audio();
    for (size_t i = 0; i < audio.size(); ++i)
        if (audio[i].index == index) {
            core_.audioPackets[i].push(std::move(q));
            core_.wakeWorker.notify_all();
            return;
        }
}

void DemuxStage::queueEnds() {
    if (file_.videoIndex() >= 0)
        core_.videoPackets.push({core_.demuxSerial, nullptr, 0, 0});
    for (auto& q : core_.audioPackets)
        q.push({core_.demuxSerial, nullptr, 0, 0});
    core_.wakeWorker.notify_all();
}

bool DemuxStage::stillGrowing() {
    // Growing means larger than when last looked (at open, or at the previous end), or written lately
    // (a recording opened while the ingest writes it may be read to its end before it grows again).
    // (std::filesystem rather than QFileInfo: its times need no time zone, whose set-up is not safe
    // from several threads at once.)
    namespace fs = std::filesystem;
    const int64_t size = fileSize(file_.path());
    if (size < 0)
        return false;
    std::error_code ec;
    const auto writtenAgo =
        fs::file_time_type::clock::now() - fs::last_write_time(fs::path(file_.path().toStdU16String()), ec);
    const int64_t now = std::chrono::duration_cast<std::chrono::milliseconds>(
                            std::chrono::steady_clock::now().time_since_epoch())
                            .count();
    if (size > lastSize_)
        lastGrowthMs_ = now;
    if (!ec)
        lastGrowthMs_ = std::max<int64_t>(
            lastGrowthMs_, now - std::chrono::duration_cast<std::chrono::milliseconds>(writtenAgo).count());
    lastSize_ = std::max(lastSize_, size);
    return lastGrowthMs_ > 0 && now - lastGrowthMs_ < kGrowthWaitMs;
}

} // namespace engine::ff
