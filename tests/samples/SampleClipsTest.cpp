// The generated clips read back as written: containers, codecs, stream layout, frame codes on every
// decoded picture, exact tones per channel and CEA-608 captions that FFmpeg's own decoder reads.
#include "samples/SampleClips.h"
#include "MediaReader.h"

#include "AvPtr.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cmath>
#include <gtest/gtest.h>
#include <map>
#include <numbers>
#include <numeric>

extern "C" {
#include <libavutil/log.h>
}

namespace samples {
namespace {

using namespace samples::testing;
using namespace engine::ff;

ClipRecipe clipAt(const QString& name) {
    ClipRecipe s;
    s.path = name;
    return s;
}

// The clips of this test binary, each written once on first use.
std::map<QString, ClipRecipe> clipTable() {
    std::map<QString, ClipRecipe> t;
    ClipRecipe& longGop = t["longgop.mp4"] = clipAt("longgop.mp4");
    longGop.frames = 75, longGop.gopLength = 12, longGop.bFrames = 3, longGop.closedGop = false;
    longGop.audioTracks = 2, longGop.captions = true;

    ClipRecipe& mxf = t["mono16.mxf"] = clipAt("mono16.mxf");
    mxf.videoCodec = "mpeg2video", mxf.frames = 75, mxf.gopLength = 12;
    mxf.audioCodec = "pcm_s16le", mxf.audioTracks = 16, mxf.channelsPerTrack = 1;
    mxf.captions = true, mxf.startTimecode = "10:00:00:00";

    ClipRecipe& hd = t["hd1080i.mxf"] = clipAt("hd1080i.mxf");
    hd.videoCodec = "mpeg2video", hd.width = 1920, hd.height = 1080, hd.rateNum = 25, hd.rateDen = 1;
    hd.interlaced = true, hd.frames = 8, hd.gopLength = 4;
    hd.audioCodec = "pcm_s24le", hd.audioTracks = 2, hd.channelsPerTrack = 1;

    ClipRecipe& prores = t["ch16.mov"] = clipAt("ch16.mov");
    prores.videoCodec = "prores", prores.frames = 6, prores.bFrames = 0;
    prores.audioCodec = "pcm_s24le", prores.channelsPerTrack = 16;

    ClipRecipe& dnx = t["dnx.mxf"] = clipAt("dnx.mxf");
    dnx.videoCodec = "dnxhd", dnx.frames = 6, dnx.bFrames = 0, dnx.audioCodec = "pcm_s24le";

    ClipRecipe& ts = t["late.ts"] = clipAt("late.ts");
    ts.frames = 15, ts.startSeconds = 10;

    ClipRecipe& mov = t["late.mov"] = clipAt("late.mov");
    mov.frames = 10, mov.startSeconds = 5, mov.audioCodec = "pcm_s16le", mov.startTimecode = "05:00:00:00";

    ClipRecipe& mkv = t["silent.mkv"] = clipAt("silent.mkv");
    mkv.frames = 10, mkv.audioCodec.clear();

    ClipRecipe& avi = t["old.avi"] = clipAt("old.avi");
    avi.videoCodec = "mpeg2video", avi.frames = 10, avi.bFrames = 0, avi.audioCodec = "pcm_s16le";

    ClipRecipe& sd = t["anamorphic.mxf"] = clipAt("anamorphic.mxf");
    sd.videoCodec = "mpeg2video", sd.width = 720, sd.height = 576, sd.rateNum = 25, sd.rateDen = 1;
    sd.pixelAspectNum = 64, sd.pixelAspectDen = 45, sd.interlaced = true, sd.frames = 4, sd.bFrames = 0;
    sd.audioCodec = "pcm_s16le", sd.audioTracks = 4, sd.channelsPerTrack = 1;

    // The benchmark inputs at their small size; three seconds give three captions.
    t["xdcam.mxf"] = referenceInput("xdcam", 3, InputSize::Small);
    t["xdcam_closed.mxf"] = referenceInput("xdcam_closed", 3, InputSize::Small);
    t["h264.mp4"] = referenceInput("h264", 3, InputSize::Small);
    t["h264i.ts"] = referenceInput("h264i", 3, InputSize::Small);
    return t;
}

const ClipRecipe& clip(const QString& name) {
    static QTemporaryDir dir;
    static std::map<QString, ClipRecipe> table = clipTable();
    static std::map<QString, bool> written;
    ClipRecipe& s = table.at(name);
    if (!written[name]) {
        av_log_set_level(AV_LOG_ERROR);
        s.path = dir.filePath(name);
        writeSampleClip(s);
        written[name] = true;
    }
    return s;
}

TEST(SampleClips, ProbeAsWritten) {
    struct Case {
        QString clip, format, video, audio;
        int audioStreams, channels;
        AVFieldOrder fieldOrder;
    };
    const Case cases[] = {
        {"longgop.mp4", "mov,mp4,m4a,3gp,3g2,mj2", "h264", "aac", 2, 2, AV_FIELD_PROGRESSIVE},
        {"mono16.mxf", "mxf", "mpeg2video", "pcm_s16le", 16, 1, AV_FIELD_PROGRESSIVE},
        {"hd1080i.mxf", "mxf", "mpeg2video", "pcm_s24le", 2, 1, AV_FIELD_TT},
        {"ch16.mov", "mov,mp4,m4a,3gp,3g2,mj2", "prores", "pcm_s24le", 1, 16, AV_FIELD_UNKNOWN},
        {"dnx.mxf", "mxf", "dnxhd", "pcm_s24le", 1, 2, AV_FIELD_PROGRESSIVE},
        {"late.ts", "mpegts", "h264", "aac", 1, 2, AV_FIELD_PROGRESSIVE},
        {"late.mov", "mov,mp4,m4a,3gp,3g2,mj2", "h264", "pcm_s16le", 1, 2, AV_FIELD_PROGRESSIVE},
        {"anamorphic.mxf", "mxf", "mpeg2video", "pcm_s16le", 4, 1, AV_FIELD_TT},
        {"silent.mkv", "matroska,webm", "h264", "", 0, 0, AV_FIELD_PROGRESSIVE},
        {"old.avi", "avi", "mpeg2video", "pcm_s16le", 1, 2, AV_FIELD_PROGRESSIVE},
        {"xdcam.mxf", "mxf", "mpeg2video", "pcm_s24le", 16, 1, AV_FIELD_TT},
        {"h264.mp4", "mov,mp4,m4a,3gp,3g2,mj2", "h264", "aac", 1, 2, AV_FIELD_PROGRESSIVE},
        {"h264i.ts", "mpegts", "h264", "mp2", 1, 2, AV_FIELD_TT},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.clip.toStdString());
        const ClipRecipe& s = clip(c.clip);
        const ProbeResult p = probe(s.path);
        EXPECT_EQ(p.format, c.format);
        ASSERT_EQ(p.count(AVMEDIA_TYPE_VIDEO), 1);
        ASSERT_EQ(p.streams[0].type, AVMEDIA_TYPE_VIDEO) << "video comes first";
        const StreamInfo& v = p.first(AVMEDIA_TYPE_VIDEO);
        EXPECT_EQ(v.codec, c.video);
        EXPECT_EQ(v.width, s.width);
        EXPECT_EQ(v.height, s.height);
        EXPECT_EQ(v.packets, s.frames);
        EXPECT_EQ(v.pixelAspect, QString("%1:%2").arg(s.pixelAspectNum).arg(s.pixelAspectDen));
        if (c.fieldOrder != AV_FIELD_UNKNOWN) {
            EXPECT_EQ(v.fieldOrder, c.fieldOrder);
        }
        ASSERT_EQ(p.count(AVMEDIA_TYPE_AUDIO), c.audioStreams);
        for (const StreamInfo& a : p.streams)
            if (a.type == AVMEDIA_TYPE_AUDIO) {
                EXPECT_EQ(a.codec, c.audio);
                EXPECT_EQ(a.channels, c.channels);
            }
        EXPECT_NEAR(p.startSeconds, s.startSeconds, 0.05);
        for (const StreamInfo& a : p.streams) {
            if (a.type != AVMEDIA_TYPE_AUDIO || !a.codec.startsWith("pcm"))
                continue;
            EXPECT_NEAR(a.startSeconds, v.startSeconds, 0.001) << "sound starts with the picture";
        }
        // MXF always carries a timecode track, from zero unless told otherwise.
        EXPECT_EQ(p.timecode,
                  s.startTimecode.isEmpty() && p.format == "mxf" ? "00:00:00:00" : s.startTimecode);
    }
}

TEST(SampleClips, FrameCodeReadsBackOnEveryDecodedPicture) {
    for (const char* name : {"longgop.mp4", "mono16.mxf", "hd1080i.mxf", "ch16.mov", "dnx.mxf", "xdcam.mxf",
                             "h264.mp4", "h264i.ts"}) {
        SCOPED_TRACE(name);
        std::vector<int64_t> codes;
        decodeVideo(clip(name).path, [&](const AVFrame& f) { codes.push_back(readFrameCode(&f)); });
        std::vector<int64_t> expected(size_t(clip(name).frames));
        std::iota(expected.begin(), expected.end(), 0);
        EXPECT_EQ(codes, expected);
    }
}

TEST(SampleClips, PcmChannelsCarryTheirToneSampleExact) {
    struct Case {
        const char* clip;
        int streams, channels;
        double fullScale;
    };
    for (const Case& c : {Case{"mono16.mxf", 16, 1, 32768.0}, Case{"ch16.mov", 1, 16, 8388608.0},
                          Case{"xdcam.mxf", 16, 1, 8388608.0}}) {
        SCOPED_TRACE(c.clip);
        const ClipRecipe& s = clip(c.clip);
        const auto expectedLength =
            size_t(av_rescale(s.frames, int64_t(s.sampleRate) * s.rateDen, s.rateNum));
        for (int stream = 0; stream < c.streams; ++stream) {
            const auto decoded = decodeAudio(s.path, stream);
            ASSERT_EQ(int(decoded.size()), c.channels);
            for (int ch = 0; ch < c.channels; ++ch) {
                const int source = stream * c.channels + ch;
                const auto& x = decoded[size_t(ch)];
                ASSERT_EQ(x.size(), expectedLength) << "source channel " << source;
                size_t wrong = 0;
                for (size_t i = 0; i < x.size(); ++i) {
                    const double want = std::lrint(s.sourceSample(source, int64_t(i)) * (c.fullScale - 1));
                    wrong += std::lrint(x[i] * c.fullScale) != want;
                }
                EXPECT_EQ(wrong, 0u) << "source channel " << source;
            }
        }
    }
}

TEST(SampleClips, AacChannelsCarryTheirTone) {
    const ClipRecipe& s = clip("longgop.mp4");
    for (int stream = 0; stream < s.audioTracks; ++stream) {
        const auto decoded = decodeAudio(s.path, stream);
        ASSERT_EQ(int(decoded.size()), s.channelsPerTrack);
        for (int ch = 0; ch < s.channelsPerTrack; ++ch) {
            const int source = stream * s.channelsPerTrack + ch;
            const auto& x = decoded[size_t(ch)];
            const double own = tonePower(x, toneFrequency(source), s.sampleRate);
            // A sine of amplitude A has Goertzel power A^2/4 by this normalisation.
            EXPECT_NEAR(own, kToneAmplitude * kToneAmplitude / 4, kToneAmplitude * kToneAmplitude / 16)
                << "source channel " << source;
            for (int other = 0; other < 4; ++other) {
                if (other == source)
                    continue;
                EXPECT_LT(tonePower(x, toneFrequency(other), s.sampleRate), own / 100)
                    << "channel " << source << " carries the tone of " << other;
            }
        }
    }
}

struct ShownCaption {
    QString text;
    double from, to; // seconds
};

// Runs the A53 data of each decoded picture through FFmpeg's CEA-608 decoder, as a player would.
std::vector<ShownCaption> decodeCaptions(const ClipRecipe& clip) {
    const AVCodec* cc = avcodec_find_decoder(AV_CODEC_ID_EIA_608);
    AVCodecContextPtr dec(avcodec_alloc_context3(cc));
    dec->pkt_timebase = {1, 1000};
    EXPECT_GE(avcodec_open2(dec.get(), cc, nullptr), 0);
    std::vector<ShownCaption> shown;
    int64_t frame = 0;
    AVPacketPtr pkt = makePacket();
    decodeVideo(clip.path, [&](const AVFrame& f) {
        const double seconds = double(frame++) / clip.framesPerSecond();
        const AVFrameSideData* sd = av_frame_get_side_data(&f, AV_FRAME_DATA_A53_CC);
        if (!sd)
            return;
        ASSERT_EQ(av_new_packet(pkt.get(), int(sd->size)), 0);
        std::copy(sd->data, sd->data + sd->size, pkt->data);
        pkt->pts = std::llround(seconds * 1000);
        AVSubtitle sub{};
        int got = 0;
        avcodec_decode_subtitle2(dec.get(), &sub, &got, pkt.get());
        for (unsigned r = 0; got && r < sub.num_rects; ++r) {
            const QString ass = QString::fromUtf8(sub.rects[r]->ass);
            const double from = double(sub.pts) / AV_TIME_BASE + sub.start_display_time / 1000.0;
            shown.push_back({ass.mid(ass.lastIndexOf('}') + 1), from, from + sub.end_display_time / 1000.0});
        }
        avsubtitle_free(&sub);
        av_packet_unref(pkt.get());
    });
    return shown;
}

TEST(SampleClips, CaptionsDecodeOnTheirSchedule) {
    for (const char* name : {"longgop.mp4", "mono16.mxf", "xdcam.mxf", "h264i.ts"}) {
        SCOPED_TRACE(name);
        const ClipRecipe& s = clip(name);
        const auto shown = decodeCaptions(s);
        // The decoder hands a caption over once the next one replaces it: 75 frames show three.
        ASSERT_EQ(shown.size(), 2u);
        const double frame = 1 / s.framesPerSecond();
        for (size_t i = 0; i < shown.size(); ++i) {
            EXPECT_EQ(shown[i].text, QString("CAPTION %1").arg(i + 1));
            EXPECT_NEAR(shown[i].from, captionShownAtFrame(int(i) + 1, s.framesPerSecond()) * frame, 0.002);
            EXPECT_EQ(captionTextAt(shown[i].from + frame / 2, s.framesPerSecond()), shown[i].text);
            EXPECT_EQ(captionTextAt(shown[i].to - frame / 2, s.framesPerSecond()), shown[i].text);
        }
        EXPECT_EQ(captionTextAt(shown[0].from - frame / 2, s.framesPerSecond()), "");
    }
}

TEST(SampleClips, BadRecipesThrowAndLeaveNoFile) {
    QTemporaryDir dir;
    struct Case {
        const char* why;
        ClipRecipe clip;
    };
    auto with = [&](const char* name, auto change) {
        ClipRecipe s = clipAt(dir.filePath(name));
        change(s);
        return s;
    };
    const Case cases[] = {
        {"missing folder", with("no/such/folder/x.mp4", [](ClipRecipe&) {})},
        {"unknown container", with("x.nosuchformat", [](ClipRecipe&) {})},
        {"unknown codec", with("x.mp4", [](ClipRecipe& s) { s.videoCodec = "nosuchcodec"; })},
        {"no frames", with("x.mp4", [](ClipRecipe& s) { s.frames = 0; })},
        {"captions in prores",
         with("x.mov", [](ClipRecipe& s) { s.videoCodec = "prores", s.captions = true; })},
        {"PCM in MP4", with("x.mp4", [](ClipRecipe& s) { s.audioCodec = "pcm_s16le"; })},
        {"AAC in MXF", with("x.mxf", [](ClipRecipe& s) { s.videoCodec = "mpeg2video"; })},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        try {
            writeSampleClip(c.clip);
            ADD_FAILURE() << "no exception";
        } catch (const std::runtime_error& e) {
            EXPECT_STRNE(e.what(), "");
        }
        EXPECT_FALSE(QFile::exists(c.clip.path));
    }
}

TEST(SampleClips, ReferenceInputsKeepTheirStructure) {
    struct Case {
        const char* clip;
        QString pixelFormat;
        int profile;
        QString pictures; // the first GOP and the next one's start, in presentation order
    };
    const Case cases[] = {
        {"xdcam.mxf", "yuv422p", FF_PROFILE_MPEG2_422, "IBBPBBPBBPBBI"},
        {"xdcam_closed.mxf", "yuv422p", FF_PROFILE_MPEG2_422, "IBBPBBPBBPBPI"},
        {"h264.mp4", "yuv420p", FF_PROFILE_H264_HIGH, QString()},
        {"h264i.ts", "yuv420p", FF_PROFILE_H264_HIGH, QString()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.clip);
        const ClipRecipe& s = clip(c.clip);
        const StreamInfo v = probe(s.path).first(AVMEDIA_TYPE_VIDEO);
        EXPECT_EQ(v.pixelFormat, c.pixelFormat);
        EXPECT_EQ(v.profile, c.profile);
        const QString types = pictureTypes(s.path);
        if (!c.pictures.isEmpty()) {
            EXPECT_EQ(types.left(c.pictures.size()), c.pictures);
        }
        // A GOP of fixed length, whatever the pictures hold (the flash included).
        for (int i = 0; i < types.size(); ++i)
            EXPECT_EQ(types[i] == 'I', i % s.gopLength == 0)
                << "picture " << i << " of " << types.toStdString();
    }
}

// The flash shows on the first frame of every timecode second and on no other; the beep on source
// channels 0 and 1 sounds over that frame's span of the sound, not the frames beside it.
void expectFlashAndBeepTogether(const QString& path) {
    const ProbeResult p = probe(path);
    const int rateNum = p.first(AVMEDIA_TYPE_VIDEO).frameRate.num;
    const int rateDen = p.first(AVMEDIA_TYPE_VIDEO).frameRate.den;
    ASSERT_GT(rateNum, 0);
    std::vector<bool> flashes;
    const int timecodeRate = int(std::lround(double(rateNum) / rateDen));
    decodeVideo(path, [&](const AVFrame& f) { flashes.push_back(showsFlash(&f)); });
    ASSERT_GT(flashes.size(), size_t(timecodeRate));
    for (size_t n = 0; n < flashes.size(); ++n)
        EXPECT_EQ(flashes[n], isFlashFrame(int64_t(n), timecodeRate)) << "frame " << n;

    const bool monoTracks = p.first(AVMEDIA_TYPE_AUDIO).channels == 1;
    for (int source = 0; source < kBeepChannels; ++source) {
        SCOPED_TRACE(source);
        double audioStart = 0;
        const auto decoded = decodeAudio(path, monoTracks ? source : 0, &audioStart);
        const auto& x = decoded[size_t(monoTracks ? 0 : source)];
        // Sound that starts before the picture (an encoder's priming samples) is lined up by timestamp.
        const auto lead =
            int64_t(std::lround((p.first(AVMEDIA_TYPE_VIDEO).startSeconds - audioStart) * 48000));
        auto beepLevel = [&](int64_t frame) {
            const int64_t from =
                std::max<int64_t>(0, lead + firstSampleOfFrame(frame, 48000, rateNum, rateDen));
            const int64_t to = lead + firstSampleOfFrame(frame + 1, 48000, rateNum, rateDen);
            const std::vector<double> span(x.begin() + from,
                                           x.begin() + std::min<int64_t>(to, int64_t(x.size())));
            return 2 * std::sqrt(tonePower(span, kBeepFrequency, 48000));
        };
        for (int64_t f = 0; lead + firstSampleOfFrame(f + 2, 48000, rateNum, rateDen) <= int64_t(x.size());
             f += timecodeRate) {
            const double level = beepLevel(f);
            EXPECT_GT(level, kBeepAmplitude * 0.6) << "frame " << f;
            EXPECT_LT(beepLevel(f + 1), level / 3) << "frame " << f + 1;
            if (f > 0) {
                EXPECT_LT(beepLevel(f - 1), level / 3) << "frame " << f - 1;
            }
        }
    }
}

TEST(SampleClips, FlashAndBeepOnTheSameFrame) {
    for (const char* name : {"xdcam.mxf", "h264.mp4", "h264i.ts"}) {
        SCOPED_TRACE(name);
        expectFlashAndBeepTogether(clip(name).path);
    }
}

TEST(SampleClips, TreeHasTwoDaysOfChannelsWithTheFeaturedClipsToday) {
    av_log_set_level(AV_LOG_ERROR);
    QTemporaryDir root;
    writeSampleTree(root.path(), QDate(2025, 7, 5), InputSize::Small);
    const QString news = QString::fromUtf8("canal1/Jornal da Manhã 06h.mp4");
    for (const char* day : {"2025/07/05", "2025/07/04"}) {
        SCOPED_TRACE(day);
        const QDir folder(root.filePath(day));
        EXPECT_EQ(folder.entryList(QDir::Dirs | QDir::NoDotAndDotDot),
                  (QStringList{"canal1", "canal2", "canal3", "canal4"}));
        EXPECT_TRUE(QFile::exists(folder.filePath(news)));
        EXPECT_TRUE(
            QFile::exists(folder.filePath(QString::fromUtf8("canal3/Esporte ao vivo - edição 1.mp4"))));
        for (const QString& channel : folder.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            const QDir clips(folder.filePath(channel));
            EXPECT_FALSE(clips.isEmpty()) << channel.toStdString();
            for (const QString& f : clips.entryList(QDir::Files)) {
                SCOPED_TRACE(f.toStdString());
                const QString path = clips.filePath(f);
                const ProbeResult p = probe(path);
                EXPECT_EQ(p.count(AVMEDIA_TYPE_VIDEO), 1);
                if (f.endsWith(".mxf")) {
                    EXPECT_EQ(p.count(AVMEDIA_TYPE_AUDIO), 16);
                    EXPECT_FALSE(p.timecode.isEmpty());
                }
                std::vector<int64_t> codes;
                decodeVideo(path, [&](const AVFrame& frame) { codes.push_back(readFrameCode(&frame)); });
                ASSERT_FALSE(codes.empty());
                EXPECT_EQ(codes.back(), int64_t(codes.size()) - 1);
                expectFlashAndBeepTogether(path);
            }
        }
    }
    // Today's featured clips: the xdcam input, the interlaced H.264 transport stream, the 16:9 SD clip.
    const QDir today(root.filePath("2025/07/05"));
    const ProbeResult xdcam = probe(today.filePath("canal1/canal1_0700.mxf"));
    EXPECT_EQ(xdcam.first(AVMEDIA_TYPE_VIDEO).pixelFormat, "yuv422p");
    EXPECT_EQ(xdcam.timecode, "07:00:00:00");
    EXPECT_EQ(probe(today.filePath("canal4/Madrugada 01h.ts")).first(AVMEDIA_TYPE_VIDEO).fieldOrder,
              AV_FIELD_TT);
    EXPECT_EQ(probe(today.filePath("canal2/canal2_1400.mxf")).first(AVMEDIA_TYPE_VIDEO).pixelAspect, "64:45");
    EXPECT_THROW(writeSampleTree(root.path(), QDate()), std::runtime_error);
}

} // namespace
} // namespace samples
