#include "source/DemuxStage.h"
#include "engine/OperatorTexts.h"

#include <algorithm>

namespace engine::ff {
namespace {
// How often the duration of a file still being written is brought up to date.
constexpr auto kGrowthCheck = std::chrono::seconds(1);
// How often a demuxer that stopped at what it knew looks for more of the file.
constexpr auto kEdgePoll = std::chrono::milliseconds(200);
} // namespace

DemuxStage::DemuxStage(SourceCore& core, MediaFile& file, SubtitleTrack& subtitles)
    : core_(core), file_(file), subtitles_(subtitles), growing_(file.grewAfterOpen()) {
    file_.input().setGiveUp([this] {
        std::lock_guard lk(core_.m);
        return core_.quit || core_.demuxSeekPending;
    });
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
    // A seek reads only as far as its pictures need, the sound's queues filling by the way.
    if (core_.seeking && file_.videoIndex() >= 0)
        return bytes < kMaxBytes && !core_.videoPackets.ended() && core_.videoPackets.seconds() < kSeekLeadSeconds;
    const double ahead = core_.aheadLocked(kAheadSeconds);
    bool starving = false, short_ = false;
    auto look = [&](const PacketQueue& q) {
        starving = starving || (!q.ended() && q.empty());
        short_ = short_ || (!q.ended() && q.seconds() < ahead);
    };
    if (file_.videoIndex() >= 0)
        look(core_.videoPackets);
    for (const auto& q : core_.audioPackets)
        look(q);
    return starving || (bytes < kMaxBytes && short_);
}

void DemuxStage::run() {
    Lock lk(core_.m);
    // Probing a recording on open may have met its edge mid-packet: read it again from its start.
    if (growing_ && !core_.demuxSeekPending) {
        lk.unlock();
        seekTo(-1);
        lk.lock();
    }
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
        if (growing_ && std::chrono::steady_clock::now() - grownSeen_ >= kGrowthCheck)
            followGrowth(lk);
        if (ended_ || !roomLocked()) {
            if (growing_)
                core_.wakeWorker.wait_for(lk, kGrowthCheck);
            else
                core_.wakeWorker.wait(lk);
            continue;
        }
        const uint64_t serial = core_.demuxSerial;
        lk.unlock();
        AVPacketPtr pkt = makePacket();
        const int rc = av_read_frame(file_.format(), pkt.get());
        lk.lock();
        if (serial != core_.demuxSerial || core_.demuxSeekPending || rc == AVERROR_EXIT)
            continue; // read from before a seek, or given up for one (or for closing)
        if (file_.input().storageSilent()) {
            storageSilent();
        } else if (rc == AVERROR_EOF && file_.knowsOnlyWhatWasOnDiskAtOpen() && !ended_) {
            lk.unlock();
            const Resume resume = resumeAfterKnownEnd();
            lk.lock();
            if (resume == Resume::Wait)
                core_.wakeWorker.wait_for(lk, kEdgePoll);
            else if (resume == Resume::Ended) {
                queueEnds();
                ended_ = true;
            }
        } else if (rc < 0) {
            queueEnds();
            ended_ = true;
        } else {
            file_.stamp(*pkt);
            if (!alreadyRead(*pkt))
                queuePacket(std::move(pkt));
        }
    }
}

void DemuxStage::followGrowth(Lock& lk) {
    // While the file is being written (playing or not), its duration is what is on disk.
    lk.unlock();
    GrowingInput& in = file_.input();
    const bool growing = in.growing();
    const auto end = in.endSeconds();
    lk.lock();
    grownSeen_ = std::chrono::steady_clock::now();
    growing_ = growing;
    if (end)
        core_.duration = std::max(core_.duration, *end - file_.origin());
    if (in.storageSilent())
        storageSilent();
}

void DemuxStage::storageSilent() {
    if (ended_ && !core_.lastError.isEmpty())
        return;
    core_.lastError = texts::storageSilentFor(file_.path(), StorageReader::kStorageTimeout.count());
    queueEnds();
    ended_ = true;
    core_.state = kStateStopped;
    core_.wakePresenter.notify_all();
}

DemuxStage::Resume DemuxStage::resumeAfterKnownEnd() {
    // The demuxer read all it knew of a recording that grew since: a new one goes on from the last
    // pictures read, past what it reads again.
    GrowingInput& in = file_.input();
    const bool growing = in.growing();
    const int video = file_.videoIndex();
    const int stream = video >= 0 ? video : (file_.audio().empty() ? -1 : file_.audio().front().index);
    const bool grown = in.knownSize() > reopenedAtSize_;
    if (stream < 0 || size_t(stream) >= lastDts_.size() || !grown)
        return growing ? Resume::Wait : Resume::Ended;
    reopenedAtSize_ = in.knownSize();
    if (!file_.reopenDemuxer())
        return Resume::Ended;
    resumed_ = true;
    avformat_seek_file(file_.format(), stream, INT64_MIN, lastDts_[size_t(stream)], lastDts_[size_t(stream)],
                       0);
    return Resume::Resumed;
}

bool DemuxStage::alreadyRead(const AVPacket& pkt) const {
    const auto i = size_t(pkt.stream_index);
    return resumed_ && pkt.dts != AV_NOPTS_VALUE && i < lastDts_.size() && pkt.dts <= lastDts_[i];
}

void DemuxStage::seekTo(double seconds) {
    resumed_ = false;
    lastDts_.clear();
    // A demuxer that knows only the fragments on disk at open is opened again to seek among them all.
    if (growing_ && file_.knowsOnlyWhatWasOnDiskAtOpen() && file_.reopenDemuxer())
        reopenedAtSize_ = file_.input().knownSize();
    AVFormatContext* fmt = file_.format();
    // A read given up for this seek leaves its marks on the byte reader; the seek starts it afresh.
    file_.input().clearReadMarks();
    // Before the clip (a negative time): from the beginning; by bytes where timestamps only approximate
    // the position (MPEG program and transport streams).
    if (seconds < 0 && file_.isTransportStream() && av_seek_frame(fmt, -1, 0, AVSEEK_FLAG_BYTE) >= 0)
        return;
    seconds = std::max(seconds, 0.0);
    if (file_.grewAfterOpen())
        if (const auto point = file_.input().seekPoint(seconds + file_.origin()); point && file_.readFrom(*point))
            return;
    const int stream = file_.videoIndex();
    // (The frame the time lies in: in MXF a tick is a frame, and a time in the frame before a key picture
    // would round to the key picture, which then shows after the target.)
    const double tol = frameTolerance(file_.info().frameDuration);
    const int64_t ts = stream >= 0 ? file_.videoTime().tickHolding(seconds + tol)
                                   : std::llround((seconds + file_.origin()) * AV_TIME_BASE);
    if (avformat_seek_file(fmt, stream, INT64_MIN, ts, ts, 0) < 0 &&
        av_seek_frame(fmt, stream, ts, AVSEEK_FLAG_BACKWARD) < 0) {
        av_seek_frame(fmt, -1, 0, AVSEEK_FLAG_BYTE);
        return;
    }
    if (const auto key = file_.keyPictureBefore(seconds + file_.origin()))
        file_.readFrom(*key);
}

void DemuxStage::queuePacket(AVPacketPtr pkt) {
    const int index = pkt->stream_index;
    const AVStream* st = file_.format()->streams[index];
    if (pkt->dts != AV_NOPTS_VALUE) {
        if (lastDts_.size() <= size_t(index))
            lastDts_.resize(size_t(index) + 1, INT64_MIN);
        lastDts_[size_t(index)] = pkt->dts;
    }
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
        if ((q.packet->flags & AV_PKT_FLAG_KEY) && ts != AV_NOPTS_VALUE)
            core_.keys.noteRead(q.start, q.serial);
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

} // namespace engine::ff
