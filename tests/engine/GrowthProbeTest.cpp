// What the growth probes read from recordings as an ingest writes them: prefixes of a live-written file
// (a non-seekable re-mux, so nothing is rewritten) stand for the file while it was being written, and
// FFmpeg's own reading of each prefix is the reference.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtEndian>
#include <cmath>
#include <map>
#include <set>
#include <optional>
#include <vector>

#include "LiveRemux.h"
#include "core/AvPtr.h"
#include "engine_ffmpeg/ByteSource.h"
#include "io/GrowthProbe.h"
#include "io/MxfPacketTimes.h"
#include "samples/SampleClips.h"

namespace {

using namespace engine::ff;

QTemporaryDir& workDir() {
    static QTemporaryDir dir;
    return dir;
}

// A 12 s reference input (`input` as the sample tool names it) re-muxed as written live, made once per
// test binary.
QString liveRecording(const QString& input, const char* format, const QString& ext,
                      const enginetest::RemuxOptions& options = {}) {
    const QString name = input + (options.shiftSeconds != 0 ? QString("_at%1").arg(options.shiftSeconds) : QString()) +
                         (options.seekable ? "_seekable" : "");
    const QString live = workDir().filePath(name + "_live." + ext);
    if (!QFile::exists(live)) {
        samples::ClipRecipe clip = samples::referenceInput(input, 12, samples::InputSize::Small);
        clip.path = workDir().filePath(name + "_made." + QFileInfo(clip.path).suffix());
        samples::writeSampleClip(clip);
        enginetest::remuxAsLive(clip.path, live, format, options);
    }
    return live;
}

AVInputPtr openInput(const QString& path) {
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, path.toUtf8().constData(), nullptr, nullptr) < 0)
        return nullptr;
    AVInputPtr fmt(raw);
    if (avformat_find_stream_info(fmt.get(), nullptr) < 0)
        return nullptr;
    return fmt;
}

int videoIndex(AVFormatContext& fmt) { return av_find_best_stream(&fmt, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0); }

// The file as it was while being written, and a probe made as the source makes it: from FFmpeg's opening
// of the file at its first size.
struct Growing {
    QString live;
    std::unique_ptr<ByteSource> bytes;
    std::unique_ptr<GrowthProbe> probe;
    int64_t finalSize = 0;

    Growing(const QString& livePath, int64_t openedAt) : live(livePath) {
        int err = 0;
        bytes = openFileBytes(live, err);
        finalSize = bytes->size();
        const AVInputPtr fmt = openInput(prefix(openedAt));
        probe = GrowthProbe::forFormat(*fmt);
    }
    // A copy of the first `size` bytes.
    QString prefix(int64_t size) const {
        const QFileInfo info(live);
        const QString path = workDir().filePath(QString("%1_%2.%3").arg(info.baseName()).arg(size).arg(info.suffix()));
        if (!QFile::exists(path))
            enginetest::copyPrefix(live, size, path);
        return path;
    }
};

// Where FFmpeg's reading of the file ends: the whole pictures read and the latest end among them. MXF
// and MP4 flag a cut picture as corrupt; MPEG-TS gives the last picture as it is, whole or cut.
struct FfmpegEnd {
    int wholePictures = 0;
    std::optional<double> lastEndSeconds;
};
enum class LastPicture { Flagged, MayBeCut };
FfmpegEnd ffmpegEnd(const QString& path, LastPicture last = LastPicture::Flagged) {
    const AVInputPtr fmt = openInput(path);
    const int v = videoIndex(*fmt);
    const AVStream* st = fmt->streams[v];
    const AVPacketPtr pkt = makePacket();
    FfmpegEnd end;
    std::optional<double> lastRead;
    while (av_read_frame(fmt.get(), pkt.get()) >= 0) {
        if (pkt->stream_index == v && !(pkt->flags & AV_PKT_FLAG_CORRUPT)) {
            ++end.wholePictures;
            if (lastRead)
                end.lastEndSeconds = std::max(end.lastEndSeconds.value_or(*lastRead), *lastRead);
            lastRead.reset();
            if (pkt->pts != AV_NOPTS_VALUE)
                lastRead = double(pkt->pts + pkt->duration) * av_q2d(st->time_base);
        }
        av_packet_unref(pkt.get());
    }
    if (last == LastPicture::Flagged && lastRead)
        end.lastEndSeconds = std::max(end.lastEndSeconds.value_or(*lastRead), *lastRead);
    return end;
}

// The frame code of the first picture decoded after a byte seek of a fresh demuxer to `pos`.
int64_t firstPictureAfterByteSeek(const QString& path, int64_t pos) {
    const AVInputPtr fmt = openInput(path);
    if (!fmt || av_seek_frame(fmt.get(), -1, pos, AVSEEK_FLAG_BYTE) < 0)
        return -1;
    const int v = videoIndex(*fmt);
    const AVCodec* codec = avcodec_find_decoder(fmt->streams[v]->codecpar->codec_id);
    const AVCodecContextPtr dec(avcodec_alloc_context3(codec));
    avcodec_parameters_to_context(dec.get(), fmt->streams[v]->codecpar);
    if (avcodec_open2(dec.get(), codec, nullptr) < 0)
        return -1;
    const AVPacketPtr pkt = makePacket();
    const AVFramePtr frame = makeFrame();
    while (av_read_frame(fmt.get(), pkt.get()) >= 0) {
        const bool video = pkt->stream_index == v;
        if (video)
            avcodec_send_packet(dec.get(), pkt.get());
        av_packet_unref(pkt.get());
        if (video && avcodec_receive_frame(dec.get(), frame.get()) >= 0)
            return samples::readFrameCode(frame.get());
    }
    return -1;
}

// Offsets of the MXF partition packs of kind `kind` (3 body, 4 footer) in the file.
std::vector<int64_t> mxfPartitions(const QString& path, uint8_t kind) {
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray data = f.readAll();
    const QByteArray key = QByteArray::fromHex("060e2b34020501010d01020101") + char(kind);
    std::vector<int64_t> found;
    for (qsizetype at = data.indexOf(key); at >= 0; at = data.indexOf(key, at + 1))
        found.push_back(at);
    return found;
}

// Offset and type of each top-level MP4 box.
std::vector<std::pair<int64_t, QByteArray>> mp4Boxes(const QString& path) {
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    std::vector<std::pair<int64_t, QByteArray>> boxes;
    for (int64_t at = 0; at + 8 <= f.size();) {
        f.seek(at);
        const QByteArray head = f.read(16);
        int64_t size = int64_t(qFromBigEndian<quint32>(head.constData()));
        if (size == 1)
            size = int64_t(qFromBigEndian<quint64>(head.constData() + 8));
        boxes.emplace_back(at, head.mid(4, 4));
        if (size < 8)
            break;
        at += size;
    }
    return boxes;
}

int64_t boxAt(const std::vector<std::pair<int64_t, QByteArray>>& boxes, const char* type, int nth = 0) {
    for (const auto& [at, t] : boxes)
        if (t == type && nth-- == 0)
            return at;
    ADD_FAILURE() << "no " << type << " box";
    return 0;
}

constexpr double kFrame = 1.0 / 25;

QByteArray keyAt(const QString& path, int64_t pos) {
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly) && f.seek(pos));
    return f.read(16);
}

// The file's bytes, noting which 4 KB pages were read.
class PageCountingBytes final : public ByteSource {
  public:
    explicit PageCountingBytes(ByteSource& inner) : inner_(inner) {}
    int64_t readAt(int64_t offset, uint8_t* buf, int64_t n) override {
        const int64_t got = inner_.readAt(offset, buf, n);
        for (int64_t page = offset / kPage; got > 0 && page <= (offset + got - 1) / kPage; ++page)
            pages_.insert(page);
        return got;
    }
    int64_t size() override { return inner_.size(); }
    double shareRead(int64_t size) const { return double(pages_.size()) / double((size + kPage - 1) / kPage); }

  private:
    static constexpr int64_t kPage = 4096;
    ByteSource& inner_;
    std::set<int64_t> pages_;
};

TEST(MxfGrowthProbe, FollowsTheBodyPartitionsAsTheyGrowAndSeesTheFooter) {
    const QString live = liveRecording("xdcam", "mxf", "mxf");
    const std::vector<int64_t> bodies = mxfPartitions(live, 3);
    const std::vector<int64_t> footers = mxfPartitions(live, 4);
    ASSERT_EQ(bodies.size(), 2u) << "a body partition every 10 s";
    ASSERT_EQ(footers.size(), 1u);
    Growing file(live, bodies[0] + 100000);

    struct Cut {
        const char* what;
        int64_t size;
        bool complete;
    };
    const Cut cuts[] = {
        {"in the first body partition", file.finalSize / 3, false},
        {"in the second body partition's pack", bodies[1] + 60, false},
        {"in the second body partition's index segment", bodies[1] + 1000, false},
        {"in a picture of the second body partition", file.finalSize * 19 / 20, false},
        {"before the footer", footers[0], false},
        {"in the footer partition pack", footers[0] + 40, false},
        {"after the footer partition pack", footers[0] + 200, true},
        {"the whole file", file.finalSize, true},
    };
    for (const Cut& cut : cuts) {
        SCOPED_TRACE(cut.what);
        // Its ends alone (on open) tell it is finished once the random index pack is written last.
        EXPECT_EQ(file.probe->finishedByItsEnds(*file.bytes, cut.size), cut.size == file.finalSize);
        EXPECT_EQ(file.probe->complete(*file.bytes, cut.size), cut.complete);
        const FfmpegEnd ffmpeg = ffmpegEnd(file.prefix(cut.size));
        const auto end = file.probe->endSeconds(*file.bytes, cut.size);
        ASSERT_TRUE(end);
        EXPECT_NEAR(*end, ffmpeg.wholePictures * kFrame, 1e-9);
    }
    EXPECT_NEAR(*file.probe->endSeconds(*file.bytes, file.finalSize), 12.0, 1e-9);
}

TEST(MxfGrowthProbe, ReadsLittleOfTheSoundToFindThePictures) {
    const QString live = liveRecording("xdcam", "mxf", "mxf");
    Growing file(live, mxfPartitions(live, 3)[0] + 100000);
    PageCountingBytes counted(*file.bytes);
    const auto end = file.probe->endSeconds(counted, file.finalSize);
    ASSERT_TRUE(end);
    EXPECT_NEAR(*end, 12.0, 1e-9);
    EXPECT_LT(counted.shareRead(file.finalSize), 0.15) << "16 sound tracks make most of this file";
}

TEST(MxfGrowthProbe, SeekPointStartsAtTheKeyPictureShownAtItsTime) {
    const QString live = liveRecording("xdcam", "mxf", "mxf");
    const std::vector<int64_t> bodies = mxfPartitions(live, 3);
    Growing file(live, bodies[0] + 100000);
    const int64_t size = QFileInfo(live).size() * 19 / 20; // about 11.4 s on disk, no footer
    const QString prefix = file.prefix(size);
    constexpr int kGop = 12;

    for (const double seconds : {0.0, 3.0, 9.99, 10.6, 11.2, 11.36}) {
        SCOPED_TRACE(seconds);
        const auto point = file.probe->seekPoint(*file.bytes, size, seconds);
        ASSERT_TRUE(point);
        EXPECT_LE(point->seconds, seconds + 1e-9);
        EXPECT_GT(point->seconds, seconds - kGop * kFrame);
        EXPECT_LE(point->packageSeconds, point->seconds);
        EXPECT_EQ(firstPictureAfterByteSeek(prefix, point->pos), std::lround(point->seconds / kFrame));
        EXPECT_EQ(keyAt(live, point->pos).left(13), QByteArray::fromHex("060e2b34020501010d01030104"))
            << "the content package starts with its system item";
    }
    EXPECT_FALSE(file.probe->seekPoint(*file.bytes, size, -1.0));
}

// The times FFmpeg gives each picture and sound packet of the finished file, by stream and file position.
std::map<std::pair<int, int64_t>, std::pair<int64_t, int64_t>> finishedTimes(const QString& path) {
    const AVInputPtr fmt = openInput(path);
    const AVPacketPtr pkt = makePacket();
    std::map<std::pair<int, int64_t>, std::pair<int64_t, int64_t>> times;
    while (av_read_frame(fmt.get(), pkt.get()) >= 0) {
        times[{pkt->stream_index, pkt->pos}] = {pkt->pts, pkt->dts};
        av_packet_unref(pkt.get());
    }
    return times;
}

TEST(MxfPacketTimes, GiveTheGrowingFilesPacketsTheFinishedFilesTimes) {
    const QString live = liveRecording("xdcam", "mxf", "mxf");
    const auto finished = finishedTimes(live);
    Growing file(live, mxfPartitions(live, 3)[0] + 100000);
    const int64_t size = file.finalSize * 19 / 20;
    // FFmpeg opens the file when about a second is written, and meets its end in the middle of a packet.
    const int64_t openedAt = file.probe->seekPoint(*file.bytes, size, 1.0)->pos + 100000;

    // From the start, and after byte seeks into the part written after the first index table segment.
    for (const double seconds : {-1.0, 10.6, 11.2}) {
        SCOPED_TRACE(seconds);
        const QString growing = workDir().filePath(QString("growing_%1.mxf").arg(seconds));
        enginetest::copyPrefix(live, openedAt, growing);
        const AVInputPtr fmt = openInput(growing);
        enginetest::copyPrefix(live, size, growing);
        MxfPacketTimes times(*fmt);
        if (seconds >= 0) {
            const auto point = file.probe->seekPoint(*file.bytes, size, seconds);
            ASSERT_TRUE(point);
            ASSERT_GE(av_seek_frame(fmt.get(), -1, point->pos, AVSEEK_FLAG_BYTE), 0);
            times.restartAt(point->packageSeconds);
        } else {
            times.restartAt(0);
        }
        const AVPacketPtr pkt = makePacket();
        int compared = 0;
        while (av_read_frame(fmt.get(), pkt.get()) >= 0) {
            const bool whole = !(pkt->flags & AV_PKT_FLAG_CORRUPT);
            times.stamp(*pkt);
            const auto expected = finished.find({pkt->stream_index, pkt->pos});
            const int64_t pos = pkt->pos;
            const std::pair<int64_t, int64_t> got{pkt->pts, pkt->dts};
            av_packet_unref(pkt.get());
            if (!whole)
                continue;
            ASSERT_NE(expected, finished.end());
            ASSERT_EQ(got, expected->second) << "stream " << expected->first.first << " at " << pos;
            ++compared;
        }
        EXPECT_GT(compared, 17 * 8);
    }
}

TEST(TsGrowthProbe, EndsAtTheLastWholePictureAcrossTheTimestampWrap) {
    // The input starts at 10 s; 95424 s later is 9.7 s before the 33-bit PTS wraps.
    for (const double shift : {0.0, 95424.0}) {
        SCOPED_TRACE(shift);
        const QString live = liveRecording("h264i", "mpegts", "ts", {.shiftSeconds = shift});
        Growing file(live, 100 * 188);
        for (const int64_t size : {file.finalSize / 8, file.finalSize / 3, file.finalSize * 2 / 3 + 77, file.finalSize - 5000, file.finalSize}) {
            SCOPED_TRACE(size);
            EXPECT_FALSE(file.probe->complete(*file.bytes, size));
            const auto ffmpeg = ffmpegEnd(file.prefix(size), LastPicture::MayBeCut).lastEndSeconds;
            const auto end = file.probe->endSeconds(*file.bytes, size);
            ASSERT_TRUE(ffmpeg && end);
            EXPECT_NEAR(*end, *ffmpeg, 1e-6);
        }
    }
}

TEST(TsGrowthProbe, SeekPointStartsAtTheKeyPictureShownAtItsTime) {
    const QString live = liveRecording("h264i", "mpegts", "ts");
    Growing file(live, QFileInfo(live).size() / 4);
    const int64_t size = file.finalSize * 9 / 10; // to about 21.6 s; key pictures every 2 s from 10 s
    const QString prefix = file.prefix(size);
    for (const double seconds : {10.0, 13.0, 17.3, 20.5, 21.5}) {
        SCOPED_TRACE(seconds);
        const auto point = file.probe->seekPoint(*file.bytes, size, seconds);
        ASSERT_TRUE(point);
        EXPECT_LE(point->seconds, seconds + 1e-9);
        EXPECT_GT(point->seconds, seconds - 2.0);
        EXPECT_EQ(firstPictureAfterByteSeek(prefix, point->pos), std::lround((point->seconds - 10.0) / kFrame));
    }
    EXPECT_FALSE(file.probe->seekPoint(*file.bytes, size, 9.0));
}

TEST(Mp4GrowthProbe, FollowsWholeFragmentsAndSeesTheTrailer) {
    const QString live = liveRecording("h264i", "mp4", "mp4", {.movflags = "frag_keyframe+empty_moov"});
    const auto boxes = mp4Boxes(live);
    Growing file(live, boxAt(boxes, "moof", 1));
    ASSERT_EQ(boxAt(boxes, "mfra"), boxes.back().first) << "the trailer ends the file";

    struct Cut {
        const char* what;
        int64_t size;
        bool complete;
    };
    const Cut cuts[] = {
        {"in the first fragment's media data", boxAt(boxes, "mdat", 0) + 1000, false},
        {"in the second fragment's media data", boxAt(boxes, "mdat", 1) + 1000, false},
        {"in the fourth fragment's header", boxAt(boxes, "moof", 3) + 50, false},
        {"before the trailer", boxAt(boxes, "mfra"), false},
        {"in the trailer", boxAt(boxes, "mfra") + 20, false},
        {"the whole file", file.finalSize, true},
    };
    for (const Cut& cut : cuts) {
        SCOPED_TRACE(cut.what);
        EXPECT_EQ(file.probe->complete(*file.bytes, cut.size), cut.complete);
        const auto ffmpeg = ffmpegEnd(file.prefix(cut.size), LastPicture::Flagged).lastEndSeconds;
        EXPECT_EQ(file.probe->endSeconds(*file.bytes, cut.size), ffmpeg);
    }
    EXPECT_FALSE(mp4WithoutIndex(*file.bytes, file.finalSize));
}

TEST(Mp4GrowthProbe, AFileWithoutFragmentsHasNoIndexUntilItsMovieBoxIsWritten) {
    const QString whole = liveRecording("h264i", "mp4", "mp4", {.seekable = true});
    const auto boxes = mp4Boxes(whole);
    const int64_t moov = boxAt(boxes, "moov");
    ASSERT_GT(moov, boxAt(boxes, "mdat")) << "the index is written last";
    Growing file(whole, QFileInfo(whole).size());
    EXPECT_TRUE(file.probe->complete(*file.bytes, file.finalSize));
    EXPECT_FALSE(mp4WithoutIndex(*file.bytes, file.finalSize));
    EXPECT_TRUE(mp4WithoutIndex(*file.bytes, moov));
    EXPECT_TRUE(mp4WithoutIndex(*file.bytes, boxAt(boxes, "mdat") + 100));
    EXPECT_FALSE(mp4WithoutIndex(*file.bytes, boxAt(boxes, "mdat")));
}

} // namespace
