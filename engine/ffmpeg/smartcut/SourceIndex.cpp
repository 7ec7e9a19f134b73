#include "smartcut/SourceIndex.h"

#include <QRegularExpression>
#include <QStringList>
#include <algorithm>
#include <cmath>
#include <limits>

#include "core/AvError.h"
#include "core/H264Units.h"
#include "engine/OperatorTexts.h"

extern "C" {
#include <libavutil/timecode.h>
}

namespace engine::ff {

int SourceIndex::positionOf(int64_t display) const {
    for (size_t i = 0; i < packets.size(); ++i)
        if (packets[i].display == display)
            return int(i);
    return -1;
}

QString SourceIndex::timecodeAt(int64_t display) const {
    if (!firstTimecode)
        return {};
    const GopTimecode& t = *firstTimecode;
    AVTimecode tc;
    if (av_timecode_init_from_components(&tc, frameRate, t.dropFrame ? AV_TIMECODE_FLAG_DROPFRAME : 0,
                                         t.hours, t.minutes, t.seconds, t.frames, nullptr) < 0)
        return {};
    char text[AV_TIMECODE_STR_SIZE];
    return QString::fromLatin1(av_timecode_make_string(&tc, text, int(display)));
}

std::optional<GopTimecode> SourceIndex::gopTimecodeAt(int64_t display) const {
    const QStringList parts = timecodeAt(display).split(QRegularExpression("[:;.]"));
    if (parts.size() != 4)
        return std::nullopt;
    GopTimecode tc;
    tc.dropFrame = firstTimecode->dropFrame;
    tc.hours = parts[0].toInt() % 24;
    tc.minutes = parts[1].toInt();
    tc.seconds = parts[2].toInt();
    tc.frames = parts[3].toInt();
    return tc;
}

AVInputPtr openClip(const QString& path, QString& error) {
    AVFormatContext* raw = nullptr;
    if (int rc = avformat_open_input(&raw, path.toUtf8().constData(), nullptr, nullptr); rc < 0) {
        error = texts::cannotOpen(path, avErrorText(rc));
        return nullptr;
    }
    AVInputPtr ctx(raw);
    if (int rc = avformat_find_stream_info(ctx.get(), nullptr); rc < 0) {
        error = texts::cannotReadStreams(path, avErrorText(rc));
        return nullptr;
    }
    return ctx;
}

int seekBefore(AVFormatContext* in, const SourceIndex& index, int position) {
    int key = std::min(position, int(index.packets.size()) - 1);
    while (key > 0 && !index.packets[size_t(key)].key)
        --key;
    const int64_t target = index.packets[size_t(std::max(key, 0))].dts;
    if (key <= 0)
        return 0;
    if (av_seek_frame(in, index.videoStream, target, AVSEEK_FLAG_BACKWARD) < 0)
        return -1;
    // Where the demuxer landed: the first video packet read, found by its time stamp; the seek is then
    // made again, so that the caller reads that packet first.
    AVPacketPtr pkt = makePacket();
    int64_t pts = AV_NOPTS_VALUE;
    while (pts == AV_NOPTS_VALUE && av_read_frame(in, pkt.get()) >= 0) {
        if (pkt->stream_index == index.videoStream)
            pts = pkt->pts != AV_NOPTS_VALUE ? pkt->pts : pkt->dts;
        av_packet_unref(pkt.get());
    }
    int landed = -1;
    for (int i = key; i >= 0 && landed < 0; --i)
        if (index.packets[size_t(i)].pts == pts)
            landed = i;
    if (landed < 0 || av_seek_frame(in, index.videoStream, target, AVSEEK_FLAG_BACKWARD) < 0)
        return -1;
    return landed;
}

void readOnly(AVFormatContext* in, const std::vector<int>& kept) {
    for (unsigned i = 0; i < in->nb_streams; ++i)
        in->streams[i]->discard =
            std::find(kept.begin(), kept.end(), int(i)) != kept.end() ? AVDISCARD_DEFAULT : AVDISCARD_ALL;
}

AVInputPtr openClipBefore(const SourceIndex& index, int position, int& next, QString& error) {
    AVInputPtr in = openClip(index.path, error);
    if (in)
        readOnly(in.get(), {index.videoStream});
    if (!in || (next = seekBefore(in.get(), index, position)) >= 0)
        return in;
    next = 0;
    in = openClip(index.path, error);
    if (in)
        readOnly(in.get(), {index.videoStream});
    return in;
}

namespace {

void noteMpeg2Headers(const AVPacket& pkt, SourceIndex& index) {
    if (index.sequenceHeader.empty())
        index.sequenceHeader = sequenceHeaderOf(pkt.data, pkt.size);
    if (!index.firstTimecode)
        index.firstTimecode = gopTimecodeOf(pkt.data, pkt.size);
    if (index.intraDcPrecision < 0)
        index.intraDcPrecision = intraDcPrecisionOf(pkt.data, pkt.size);
    if (index.quantiserScaleType < 0)
        index.quantiserScaleType = quantiserScaleTypeOf(pkt.data, pkt.size);
}

// Where decode and display order agree, and how many leading pictures a GOP's first one has: those
// decoded after it and shown before it.
void noteDisplayOrder(std::vector<IndexedPacket>& packets) {
    int64_t shownFrom = std::numeric_limits<int64_t>::max();
    for (auto p = packets.rbegin(); p != packets.rend(); ++p)
        p->shownFrom = shownFrom = std::min(shownFrom, p->display);
    int64_t shownLast = std::numeric_limits<int64_t>::min();
    for (IndexedPacket& p : packets) {
        p.orderAgrees = shownLast < p.shownFrom;
        if (p.gopStart)
            p.leading = int(p.display - p.shownFrom);
        shownLast = std::max(shownLast, p.display);
    }
}

} // namespace

QString scanSource(const QString& path, SourceIndex& index, const std::function<bool()>& stop,
                   const ScanReach& reach) {
    QString error;
    AVInputPtr in = openClip(path, error);
    if (!in)
        return error;
    index = SourceIndex{};
    index.path = path;
    index.videoStream = av_find_best_stream(in.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (index.videoStream < 0)
        return texts::clipHasNoVideo();
    for (unsigned i = 0; i < in->nb_streams; ++i)
        if (in->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_AUDIO)
            index.audioStreams.push_back(int(i));
    readOnly(in.get(), {index.videoStream});
    const AVStream* st = in->streams[index.videoStream];
    index.timeBase = st->time_base;
    index.frameRate = st->avg_frame_rate.num > 0 ? st->avg_frame_rate : st->r_frame_rate;
    if (index.frameRate.num <= 0 || index.frameRate.den <= 0)
        return texts::clipFrameRateUnknown();
    index.codec = st->codecpar->codec_id;
    const bool h264 = index.codec == AV_CODEC_ID_H264, mpeg2 = index.codec == AV_CODEC_ID_MPEG2VIDEO;
    const int lengthSize = avccLengthSize(st->codecpar->extradata, st->codecpar->extradata_size);

    const double ticksPerFrame = av_q2d(av_inv_q(index.frameRate)) / av_q2d(index.timeBase);
    const int64_t lastWanted = reach ? reach(index) : -1;
    int64_t firstPts = std::numeric_limits<int64_t>::max();
    int keysPast = 0; // key packets shown after lastWanted (as far as the pictures read so far tell)

    AVPacketPtr pkt = makePacket();
    int64_t bytes = 0;
    while (av_read_frame(in.get(), pkt.get()) >= 0) {
        if (stop && stop())
            return texts::readingStopped(path);
        if (pkt->stream_index == index.videoStream) {
            IndexedPacket p;
            p.pts = pkt->pts != AV_NOPTS_VALUE ? pkt->pts : pkt->dts;
            p.dts = pkt->dts != AV_NOPTS_VALUE ? pkt->dts : p.pts;
            p.key = pkt->flags & AV_PKT_FLAG_KEY;
            firstPts = std::min(firstPts, p.pts);
            if (lastWanted >= 0 && p.key && double(p.pts - firstPts) / ticksPerFrame > double(lastWanted) + 0.5 &&
                ++keysPast == 2) {
                index.whole = false;
                av_packet_unref(pkt.get());
                break;
            }
            // Only an IDR is a clean start for H.264: a recovery point may be followed by pictures
            // that refer back past it.
            // For MPEG-2 an I picture starting a closed GOP (an open GOP's leading B pictures refer back).
            p.splice = h264 ? containsIdr(splitNalUnits(pkt->data, pkt->size, lengthSize))
                            : mpeg2 && p.key && startsClosedGop(pkt->data, pkt->size);
            p.gopStart = mpeg2 && p.key && startsGop(pkt->data, pkt->size);
            if (mpeg2) {
                noteMpeg2Headers(*pkt, index);
                p.vbvDelay = vbvDelayOf(pkt->data, pkt->size);
                p.quantiser = firstSliceQuantiserOf(pkt->data, pkt->size);
            }
            p.size = pkt->size;
            bytes += pkt->size;
            index.packets.push_back(p);
        }
        av_packet_unref(pkt.get());
    }
    if (index.packets.empty())
        return texts::clipHasNoVideoFrames();
    index.firstPts = std::min_element(index.packets.begin(), index.packets.end(), [](auto& a, auto& b) {
                         return a.pts < b.pts;
                     })->pts;
    for (auto& p : index.packets)
        p.display = std::llround(double(p.pts - index.firstPts) / ticksPerFrame);
    noteDisplayOrder(index.packets);
    index.frames = int64_t(index.packets.size());
    index.bitRate = int64_t(double(bytes) * 8 / index.secondsOf(index.frames));
    return {};
}

} // namespace engine::ff
