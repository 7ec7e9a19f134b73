// Frame-exact cuts that copy the source's packets between splice points: every case is read back the
// way a player reads it and compared with the source picture by picture and sample by sample.
#include <gtest/gtest.h>

#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <cmath>
#include <cstdio>
#include <limits>
#include <map>
#include <set>
#include <string>

#include "MediaReader.h"
#include "samples/SampleClips.h"
#include "smartcut/CutPlan.h"
#include "smartcut/Mpeg2Units.h"
#include "smartcut/Mpeg2Vbv.h"
#include "smartcut/SmartCut.h"
#include "smartcut/SourceIndex.h"

namespace {

using namespace engine::ff;
using samples::testing::decodeAudio;
using samples::testing::decodeVideo;

constexpr int kGop = 24;
constexpr int kFrames = 100;

struct Luma {
    int width = 0, height = 0;
    std::vector<uint8_t> pixels;
};

Luma lumaOf(const AVFrame& f) {
    Luma l{f.width, f.height, {}};
    for (int y = 0; y < f.height; ++y)
        l.pixels.insert(l.pixels.end(), f.data[0] + y * f.linesize[0],
                        f.data[0] + y * f.linesize[0] + f.width);
    return l;
}

double psnr(const Luma& a, const Luma& b) {
    double sum = 0;
    for (size_t i = 0; i < a.pixels.size(); ++i) {
        const double d = double(a.pixels[i]) - b.pixels[i];
        sum += d * d;
    }
    if (sum == 0)
        return 99;
    return 10 * std::log10(255.0 * 255.0 / (sum / double(a.pixels.size())));
}

struct Pictures {
    std::map<int64_t, Luma> byCode; // by the drawn frame number
    std::vector<int64_t> order;
    std::map<int64_t, std::string> captions; // frame code -> the caption data it carries
    std::map<int64_t, bool> topFieldFirst;
};

Pictures picturesOf(const QString& path) {
    Pictures out;
    decodeVideo(path, [&](const AVFrame& f) {
        const int64_t code = samples::readFrameCode(&f);
        out.order.push_back(code);
        out.byCode[code] = lumaOf(f);
        out.topFieldFirst[code] = f.interlaced_frame && f.top_field_first;
        if (const AVFrameSideData* cc = av_frame_get_side_data(&f, AV_FRAME_DATA_A53_CC))
            out.captions[code].assign(reinterpret_cast<const char*>(cc->data), cc->size);
    });
    return out;
}

// What FFmpeg's own decoders say of a file. An ffmpeg that is missing, fails or does not finish is said
// too, so that a file is never passed unread.
QString decodeErrors(const QString& path) {
    constexpr int kDecodeBoundMs = 60000;
    QProcess p;
    p.start("ffmpeg", {"-nostdin", "-v", "error", "-i", path, "-f", "null", "-"});
    if (!p.waitForStarted())
        return "ffmpeg did not start: " + p.errorString();
    if (!p.waitForFinished(kDecodeBoundMs)) {
        p.kill();
        p.waitForFinished();
        return QStringLiteral("ffmpeg did not finish within %1 ms").arg(kDecodeBoundMs);
    }
    const QString errors = QString::fromUtf8(p.readAllStandardError()).trimmed();
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return QStringLiteral("ffmpeg failed (exit code %1): %2").arg(p.exitCode()).arg(errors);
    return errors;
}

bool mediainfoReads(const QString& path) {
    QProcess p;
    p.start("mediainfo", {"--Inform=Video;%Format%", path});
    p.waitForFinished(30000);
    return p.exitCode() == 0 && !p.readAllStandardOutput().trimmed().isEmpty();
}

// What an MPEG-2 stream says of itself: its distinct sequence headers, its sequence end codes and whether
// the last packet holds one, and each GOP's timecode (in frames at 25 fps) by the first frame it shows.
struct Mpeg2Headers {
    std::set<std::vector<uint8_t>> sequenceHeaders;
    int sequenceEnds = 0;
    bool lastEndsSequence = false;
    std::map<int64_t, int64_t> gopTimecodes;
};

Mpeg2Headers mpeg2HeadersOf(const QString& path) {
    Mpeg2Headers out;
    SourceIndex index;
    EXPECT_EQ(scanSource(path, index).toStdString(), "");
    QString error;
    AVInputPtr in = openClip(path, error);
    AVPacketPtr pkt = makePacket();
    size_t position = 0;
    while (in && av_read_frame(in.get(), pkt.get()) >= 0) {
        if (pkt->stream_index == index.videoStream) {
            if (auto header = sequenceHeaderOf(pkt->data, pkt->size); !header.empty())
                out.sequenceHeaders.insert(header);
            out.lastEndsSequence = endsSequence(pkt->data, pkt->size);
            out.sequenceEnds += out.lastEndsSequence;
            if (const auto tc = gopTimecodeOf(pkt->data, pkt->size))
                out.gopTimecodes[index.packets.at(position).display - index.packets.at(position).leading] =
                    ((tc->hours * 60 + tc->minutes) * 60 + tc->seconds) * 25 + tc->frames;
            ++position;
        }
        av_packet_unref(pkt.get());
    }
    return out;
}

// The decoder's buffer followed over the file's video stream as its sequence header states it: the first
// fault, empty when none.
QString vbvFaultOf(const QString& path) {
    SourceIndex index;
    if (QString e = scanSource(path, index); !e.isEmpty())
        return e;
    const auto buffer = vbvBufferOf(index.sequenceHeader, index.frameRate);
    if (!buffer)
        return "no buffer stated";
    VbvCheck check(*buffer);
    QString error;
    AVInputPtr in = openClip(path, error);
    AVPacketPtr pkt = makePacket();
    while (in && av_read_frame(in.get(), pkt.get()) >= 0) {
        if (pkt->stream_index == index.videoStream)
            check.take(pkt->data, pkt->size);
        av_packet_unref(pkt.get());
    }
    std::printf("VBV %s: %d pictures, buffer %.0f bits, levels %.0f..%.0f, stated gap up to %.0f bits%s\n",
                qPrintable(QFileInfo(path).fileName()), check.pictures(), buffer->size,
                check.lowestLevelAfterTaking(), check.highestLevel(), check.largestStatedGap(),
                qPrintable(check.fault().isEmpty() ? QString() : " FAULT " + check.fault()));
    return check.fault();
}

// Format profile, bit rate mode and scan order as mediainfo reads them.
QString mediainfoVideoTraits(const QString& path) {
    QProcess p;
    p.start("mediainfo", {"--Inform=Video;%Format_Profile%|%BitRate_Mode%|%ScanOrder%", path});
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

// The first flash (and beep) of a 25 fps sample clip after frame `in`.
int64_t firstBeepAfter(int64_t in) {
    return (in / 25 + 1) * 25;
}

// How many samples late the cut's first channel sounds against the source's at the same picture: the
// shift that best lays the cut's sound over the source's around the first beep after the in point
// (tone and beep line up only there). Both are read as a player reads them, from their time stamps.
int soundLagSamples(const QString& source, const QString& cut, int64_t in) {
    double sourceStart = 0, cutStart = 0;
    const std::vector<double> heard = decodeAudio(cut, 0, &cutStart).at(0);
    const std::vector<double> original = decodeAudio(source, 0, &sourceStart).at(0);
    const double sourceVideo = samples::testing::probe(source).first(AVMEDIA_TYPE_VIDEO).startSeconds;
    const double cutVideo = samples::testing::probe(cut).first(AVMEDIA_TYPE_VIDEO).startSeconds;
    constexpr int kRate = 48000, kFps = 25, kReach = 2400;
    const int64_t beepFrame = firstBeepAfter(in);
    const auto centre =
        int64_t(std::llround((cutVideo - cutStart) * kRate)) + (beepFrame - in) * kRate / kFps;
    const int64_t offset = std::llround((sourceVideo + double(in) / kFps - sourceStart) * kRate) -
                           std::llround((cutVideo - cutStart) * kRate);
    int best = 0;
    double bestResidual = std::numeric_limits<double>::infinity();
    for (int lag = -kReach; lag <= kReach; ++lag) {
        double residual = 0;
        for (int64_t i = centre - kReach; i < centre + kReach; ++i) {
            const int64_t j = i + offset - lag;
            if (i < 0 || j < 0 || i >= int64_t(heard.size()) || j >= int64_t(original.size()))
                continue;
            residual += (heard[size_t(i)] - original[size_t(j)]) * (heard[size_t(i)] - original[size_t(j)]);
        }
        if (residual < bestResidual)
            bestResidual = residual, best = lag;
    }
    return best;
}

int64_t sampleAt(int64_t frame, const QString& source) {
    const double fps = source.startsWith("xdcam") ? 25 : 30000.0 / 1001;
    return std::llround(double(frame) / fps * 48000);
}

class SmartCutTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        dir_ = new QTemporaryDir;
        auto clip = [](const QString& name, const QString& codec, bool closed, const QString& audio,
                       bool pyramid = false) {
            samples::ClipRecipe c;
            c.path = dir_->filePath(name);
            c.videoCodec = codec;
            c.frames = kFrames;
            c.gopLength = kGop;
            c.bFrames = pyramid ? 3 : 2;
            c.bPyramid = pyramid;
            c.closedGop = closed;
            c.audioCodec = audio;
            c.captions = true;
            samples::writeSampleClip(c);
            sources_[name] = picturesOf(c.path);
        };
        clip("closed.mov", "h264", true, "pcm_s16le");
        clip("closed.mp4", "h264", true, "aac");
        clip("open.mov", "h264", false, "pcm_s16le");
        // B pictures that others refer to: decode order I0 P4 B2 b1 b3 P8 ..., in agreement with
        // display order only before each P picture.
        clip("pyramid.mp4", "h264", true, "aac", true);
        // XDCAM HD422 at a small size: 4:2:2 interlaced, CBR, GOP 12 with 2 B, 16 PCM tracks, timecode.
        // Open GOPs (I pictures at 12k, each after its two leading B pictures), also bottom field first.
        for (const QString name : {"xdcam_closed", "xdcam", "xdcam_bff"}) {
            samples::ClipRecipe xdcam = samples::referenceInput(name == "xdcam_bff" ? "xdcam" : name,
                                                                kFrames / 25.0, samples::InputSize::Small);
            xdcam.bottomFieldFirst = name == "xdcam_bff";
            xdcam.path = dir_->filePath(name + ".mxf");
            samples::writeSampleClip(xdcam);
            sources_[name + ".mxf"] = picturesOf(xdcam.path);
            EXPECT_EQ(vbvFaultOf(xdcam.path).toStdString(), "");
        }
        // Low delay: no B pictures, which re-encoded pictures must keep to as well.
        samples::ClipRecipe lowDelay =
            samples::referenceInput("xdcam_closed", kFrames / 25.0, samples::InputSize::Small);
        lowDelay.lowDelay = true;
        lowDelay.path = dir_->filePath("xdcam_low_delay.mxf");
        samples::writeSampleClip(lowDelay);
        sources_["xdcam_low_delay.mxf"] = picturesOf(lowDelay.path);
        // The same pictures in MPEG-TS, with MP2 sound.
        samples::ClipRecipe ts = samples::referenceInput("xdcam", kFrames / 25.0, samples::InputSize::Small);
        ts.path = dir_->filePath("xdcam.ts");
        ts.audioCodec = "mp2";
        ts.audioTracks = 1;
        ts.channelsPerTrack = 2;
        samples::writeSampleClip(ts);
        sources_["xdcam.ts"] = picturesOf(ts.path);
        EXPECT_EQ(vbvFaultOf(ts.path).toStdString(), "");
    }
    static void TearDownTestSuite() {
        delete dir_;
        sources_.clear();
    }

    CutOutcome cut(const QString& source, const QString& target, const char* format, int64_t in,
                   int64_t out) {
        CutRequest r{dir_->filePath(source), dir_->filePath(target),
                     av_guess_format(format, nullptr, nullptr), in, out};
        return smartCut(r);
    }

    static inline QTemporaryDir* dir_ = nullptr;
    static inline std::map<QString, Pictures> sources_;
};

struct Case {
    const char* name;
    const char* source;
    const char* format;
    const char* extension;
    int64_t in, out;
    int64_t copyFrom, copyTo; // frames expected bit-identical; equal when all is re-encoded
    double reencodedDb = 45;  // the least PSNR of a re-encoded frame against the source's
};

TEST_F(SmartCutTest, CutsHoldExactlyTheSpanWithCopiedPicturesUntouched) {
    const Case cases[] = {
        // An H.264 copy ends where decode and display order last agree before the out point: before the P
        // picture that follows 81 in display order (decode order P81 B79 B80 P84 B82 B83), a tail of one.
        {"mid_gop_both_ends", "closed.mov", "mov", "mov", 10, 83, 24, 82},
        {"in_on_splice_point", "closed.mp4", "mp4", "mp4", 24, 60, 24, 58},
        {"one_frame_head_joins_the_next_gop", "closed.mov", "mov", "mov", 23, 90, 48, 88},
        {"no_splice_point_inside", "closed.mov", "mov", "mov", 26, 45, 0, 0},
        // Not right after an IDR picture: the tail's IDR would follow it with the same id.
        {"tail_right_after_an_idr", "closed.mp4", "mpegts", "ts", 5, 73, 24, 72},
        {"pyramid_out_on_a_clean_point", "pyramid.mp4", "mp4", "mp4", 10, 41, 24, 41},
        {"pyramid_one_frame_tail", "pyramid.mp4", "mov", "mov", 10, 42, 24, 41},
        {"pyramid_out_mid_b_run", "pyramid.mp4", "mp4", "mp4", 10, 43, 24, 41},
        {"pyramid_out_mid_b_run_ts", "pyramid.mp4", "mpegts", "ts", 30, 67, 48, 65},
        {"to_the_clip_end", "closed.mp4", "mpegts", "ts", 30, kFrames, 48, kFrames},
        {"open_gop_h264_is_reencoded", "open.mov", "mov", "mov", 10, 60, 0, 0},
        // A constant-rate MPEG-2 source leaves its re-encoded pictures only what its buffer holds: here
        // 508 kbit, 55.6 kbit a frame. Pictures that line up with the source's (its own I and P pictures
        // where the span starts at its I picture) come out at 45-60 dB for the source's bits; the rest are
        // a second generation of noise never seen twice, which needs about 250-300 kbit an I picture and
        // 150-250 kbit a P or B picture at the finest quantiser for 45 dB (an 11-frame head about 2.2
        // Mbit where at most 1.1 Mbit is free). Each bound is about a dB under what the quantiser the
        // fitting settles on gives today.
        {"mpeg2_mid_gop_both_ends", "xdcam_closed.mxf", "mxf", "mxf", 10, 83, 12, 72, 41},
        {"mpeg2_in_on_splice_point", "xdcam_closed.mxf", "mxf", "mxf", 24, 60, 24, 60},
        {"mpeg2_one_frame_head", "xdcam_closed.mxf", "mxf", "mxf", 23, 90, 24, 84, 41},
        {"mpeg2_one_frame_tail", "xdcam_closed.mxf", "mxf", "mxf", 13, 85, 24, 84, 41},
        {"mpeg2_no_splice_point_inside", "xdcam_closed.mxf", "mxf", "mxf", 26, 35, 0, 0, 42},
        {"mpeg2_to_the_clip_end", "xdcam_closed.mxf", "mxf", "mxf", 30, kFrames, 36, kFrames, 39},
        // An open GOP's splice point is its I picture; its leading B pictures go to the head, and the
        // tail starts with the leading B pictures of the GOP after the copy.
        {"open_gop_mid_gop_one_frame_tail", "xdcam.mxf", "mxf", "mxf", 5, 83, 12, 82, 40},
        {"open_gop_in_on_splice_point", "xdcam.mxf", "mxf", "mxf", 12, 60, 12, 58, 38},
        {"open_gop_in_on_leading_b", "xdcam_bff.mxf", "mxf", "mxf", 10, 50, 12, 46, 37},
        {"open_gop_one_frame_head", "xdcam_bff.mxf", "mxf", "mxf", 11, 90, 12, 82, 37},
        {"open_gop_no_splice_point_inside", "xdcam.mxf", "mxf", "mxf", 13, 22, 0, 0, 41},
        {"open_gop_to_the_clip_end", "xdcam.mxf", "mxf", "mxf", 30, kFrames, 36, kFrames, 38},
        {"mpeg2_low_delay_mid_gop", "xdcam_low_delay.mxf", "mxf", "mxf", 10, 83, 12, 72, 42},
        {"mpeg2_ts_mid_gop", "xdcam.ts", "mpegts", "ts", 5, 83, 12, 82, 40},
        {"mpeg2_ts_in_on_leading_b", "xdcam.ts", "mpegts", "ts", 10, 50, 12, 46, 37},
        {"mpeg2_ts_no_splice_point_inside", "xdcam.ts", "mpegts", "ts", 13, 22, 0, 0, 41},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString target = QStringLiteral("%1.%2").arg(c.name, c.extension);
        const CutOutcome outcome = cut(c.source, target, c.format, c.in, c.out);
        ASSERT_TRUE(outcome.ok) << outcome.text.toStdString();
        EXPECT_EQ(outcome.copied, c.copyTo > c.copyFrom) << outcome.text.toStdString();
        EXPECT_EQ(outcome.text.contains(QStringLiteral(": %1 copiados da origem").arg(c.copyTo - c.copyFrom)),
                  outcome.copied)
            << outcome.text.toStdString();
        const QString path = dir_->filePath(target);
        EXPECT_EQ(decodeErrors(path).toStdString(), "");
        EXPECT_TRUE(mediainfoReads(path));

        if (QString(c.source).startsWith("xdcam")) {
            // One unbroken sequence: the source's sequence header throughout, one end code at the very
            // end, and GOP timecodes that run on from the source's timecode at the in point.
            const Mpeg2Headers source = mpeg2HeadersOf(dir_->filePath(c.source));
            const Mpeg2Headers written = mpeg2HeadersOf(path);
            EXPECT_EQ(written.sequenceHeaders, source.sequenceHeaders);
            EXPECT_EQ(written.sequenceEnds, 1);
            EXPECT_TRUE(written.lastEndsSequence);
            ASSERT_FALSE(written.gopTimecodes.empty());
            const int64_t start = source.gopTimecodes.at(0);
            EXPECT_EQ(start, 10 * 3600 * 25); // the recording's 10:00:00:00
            for (const auto& [frame, timecode] : written.gopTimecodes)
                EXPECT_EQ(timecode, start + c.in + frame) << "GOP shown from frame " << frame;
            EXPECT_EQ(mediainfoVideoTraits(path), mediainfoVideoTraits(dir_->filePath(c.source)));
            EXPECT_EQ(vbvFaultOf(path).toStdString(), "");
        }

        const Pictures pictures = picturesOf(path);
        std::vector<int64_t> expected;
        for (int64_t f = c.in; f < c.out; ++f)
            expected.push_back(f);
        ASSERT_EQ(pictures.order, expected);
        const Pictures& source = sources_.at(c.source);
        // Copied pictures keep their captions and re-encoded ones are given theirs: each picture carries
        // exactly the caption bytes it has in the clip.
        std::map<int64_t, std::string> captioned;
        for (const auto& [frame, bytes] : source.captions)
            if (frame >= c.in && frame < c.out)
                captioned[frame] = bytes;
        EXPECT_FALSE(captioned.empty());
        EXPECT_EQ(pictures.captions, captioned);
        for (const auto& [code, top] : pictures.topFieldFirst)
            EXPECT_EQ(top, source.topFieldFirst.at(code)) << "field order of frame " << code;
        double lowest = 99;
        for (const auto& [code, luma] : pictures.byCode) {
            const double db = psnr(luma, source.byCode.at(code));
            if (code >= c.copyFrom && code < c.copyTo) {
                EXPECT_EQ(db, 99) << "copied frame " << code << " differs";
                continue;
            }
            lowest = std::min(lowest, db);
            EXPECT_GE(db, c.reencodedDb) << "re-encoded frame " << code;
        }
        std::printf("%s: re-encoded frames at %.1f dB or more; mediainfo %s\n", c.name, lowest,
                    qPrintable(mediainfoVideoTraits(path)));

        const auto sourceAudio = decodeAudio(dir_->filePath(c.source), 0);
        const auto audio = decodeAudio(path, 0);
        ASSERT_EQ(audio.size(), sourceAudio.size());
        const int64_t first = sampleAt(c.in, c.source), count = sampleAt(c.out, c.source) - first;
        if (QString(c.source).endsWith(".mp4") || QString(c.source).endsWith(".ts")) {
            // AAC and MP2 are encoded again: the span's length, give or take the codec's padding (which
            // MPEG-TS cannot signal, so a player there also gets the encoder's priming).
            EXPECT_NEAR(double(audio[0].size()), double(count), 2048);
            // Placed to the sample as a player places it by the time stamps: the beep under the first
            // flash in the span against the recording's own PCM.
            if (QString(c.source).endsWith(".ts") && firstBeepAfter(c.in) < c.out) {
                EXPECT_EQ(soundLagSamples(dir_->filePath("xdcam.mxf"), path, c.in), 0)
                    << "sound against picture";
            }
            continue;
        }
        for (size_t ch = 0; ch < audio.size(); ++ch) {
            ASSERT_EQ(int64_t(audio[ch].size()), count);
            for (int64_t i = 0; i < count; ++i)
                ASSERT_EQ(audio[ch][size_t(i)], sourceAudio[ch][size_t(first + i)]) << "sample " << i;
        }
    }
}

// The scan of a cut stops a little past its out point; what it plans is what a scan of the whole clip
// plans, for every out point, on closed, open and B-pyramid GOPs.
TEST_F(SmartCutTest, AScanStoppedPastTheOutPointPlansTheSameCut) {
    for (const char* name : {"closed.mov", "pyramid.mp4", "xdcam.mxf", "xdcam_closed.mxf"}) {
        SCOPED_TRACE(name);
        const QString path = dir_->filePath(name);
        SourceIndex whole;
        ASSERT_EQ(scanSource(path, whole).toStdString(), "");
        int stoppedEarly = 0;
        for (int64_t out = 2; out <= kFrames; ++out) {
            SourceIndex part;
            ASSERT_EQ(scanSource(path, part, {}, [&](const SourceIndex&) { return out - 1; }).toStdString(), "");
            stoppedEarly += !part.whole;
            for (const int64_t in : {int64_t(0), out / 3, out - 1}) {
                const CutPlan a = planCut(whole, in, out), b = planCut(part, in, out);
                EXPECT_EQ(std::vector<int64_t>({a.headEnd, a.tailStart, a.copyFirst, a.copyEnd, a.dropLeading}),
                          std::vector<int64_t>({b.headEnd, b.tailStart, b.copyFirst, b.copyEnd, b.dropLeading}))
                    << "cut " << in << ".." << out;
            }
        }
        EXPECT_GT(stoppedEarly, kFrames / 2);
    }
}

// A recording whose elementary stream states another frame rate than its container (frame_rate_code 5,
// 30 fps, in every sequence header of a 25 fps MXF): the encoder writes the container's rate, so no
// re-encoded picture can sit under the source's header. The span is re-encoded whole under the encoder's
// own, the outcome says so and why, and the file still holds exactly the span within the source's buffer.
TEST_F(SmartCutTest, ASourceHeaderTheEncoderCannotWriteIsReencodedWholeUnderItsOwn) {
    QFile original(dir_->filePath("xdcam_closed.mxf"));
    ASSERT_TRUE(original.open(QIODevice::ReadOnly));
    QByteArray bytes = original.readAll();
    const QByteArray sequenceHeader("\x00\x00\x01\xB3", 4);
    int patched = 0;
    for (qsizetype at = bytes.indexOf(sequenceHeader); at >= 0; at = bytes.indexOf(sequenceHeader, at + 4)) {
        bytes[at + 7] = char((bytes[at + 7] & 0xF0) | 0x05);
        ++patched;
    }
    ASSERT_GT(patched, 0);
    QFile contradicting(dir_->filePath("rate_contradicted.mxf"));
    ASSERT_TRUE(contradicting.open(QIODevice::WriteOnly));
    contradicting.write(bytes);
    contradicting.close();

    const CutOutcome outcome = cut("rate_contradicted.mxf", "unmatched.mxf", "mxf", 10, 83);
    ASSERT_TRUE(outcome.ok) << outcome.text.toStdString();
    EXPECT_FALSE(outcome.copied);
    EXPECT_TRUE(outcome.text.contains("todos recodificados: o cabeçalho de sequência da origem não pode ser "
                                      "reproduzido (frame_rate_code"))
        << outcome.text.toStdString();
    const QString path = dir_->filePath("unmatched.mxf");
    EXPECT_EQ(decodeErrors(path).toStdString(), "");
    const Mpeg2Headers written = mpeg2HeadersOf(path);
    ASSERT_EQ(written.sequenceHeaders.size(), 1u);
    const std::vector<uint8_t>& header = *written.sequenceHeaders.begin();
    EXPECT_EQ(header.at(7) & 0x0F, 3) << "the container's 25 fps";
    EXPECT_EQ(written.sequenceEnds, 1);
    EXPECT_EQ(vbvFaultOf(path).toStdString(), "");
    std::vector<int64_t> expected;
    for (int64_t f = 10; f < 83; ++f)
        expected.push_back(f);
    EXPECT_EQ(picturesOf(path).order, expected);
}

TEST_F(SmartCutTest, RefusesWhatCannotBeCutAndLeavesNoFile) {
    struct Bad {
        const char* name;
        const char* source;
        const char* format;
        int64_t in, out;
        const char* reason;
    } cases[] = {
        {"pcm_into_mp4.mp4", "closed.mov", "mp4", 10, 20, "não comporta o áudio pcm_s16le da origem"},
        {"past_the_end.mov", "closed.mov", "mov", 90, kFrames + 1, "fora dos"},
        {"empty.mov", "closed.mov", "mov", 20, 20, "fora dos"},
    };
    for (const Bad& c : cases) {
        SCOPED_TRACE(c.name);
        const CutOutcome outcome = cut(c.source, c.name, c.format, c.in, c.out);
        EXPECT_FALSE(outcome.ok);
        EXPECT_TRUE(outcome.text.contains(c.reason)) << outcome.text.toStdString();
        EXPECT_FALSE(QFile::exists(dir_->filePath(c.name)));
    }
    EXPECT_EQ(QDir(dir_->path()).entryList({"*.part"}, QDir::Files | QDir::Hidden).size(), 0);
}

} // namespace
