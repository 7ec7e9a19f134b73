// Exports of sample recordings played by the engine's own file source, in the export job's order of
// calls: the file holds exactly the marked range, picture for picture and sample for sample.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <limits>
#include <thread>

#include "MediaReader.h"
#include "OutputProbe.h"
#include "WriterOutcome.h"
#include "engine/EngineFactory.h"
#include "engine_ffmpeg/FfmpegEngine.h"
#include "samples/SampleClips.h"

using namespace engine;
using namespace writertest;

namespace {

constexpr double kFrame = 1001.0 / 30000.0;

class SourceExport : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        clips_ = new QTemporaryDir;
        samples::ClipRecipe mxf;
        mxf.path = clips_->filePath("mpeg2.mxf");
        mxf.videoCodec = "mpeg2video";
        mxf.frames = 60;
        mxf.audioCodec = "pcm_s16le";
        mxf.audioTracks = 16;
        mxf.channelsPerTrack = 1;
        mxf.startSeconds = 3600; // broadcast recordings rarely start at zero
        samples::writeSampleClip(mxf);
        samples::ClipRecipe mp4;
        mp4.path = clips_->filePath("h264.mp4");
        mp4.frames = 60;
        mp4.captions = true;
        samples::writeSampleClip(mp4);
        samples::ClipRecipe mov;
        mov.path = clips_->filePath("h264.mov");
        mov.frames = 60;
        mov.audioCodec = "pcm_s16le";
        samples::writeSampleClip(mov);
    }
    static void TearDownTestSuite() {
        delete clips_;
        clips_ = nullptr;
    }
    void SetUp() override {
        sourceObj = factory->CreateObject(CLSID_FileSource);
        file = query<IMFile>(sourceObj);
        source = query<IMObject>(sourceObj);
        auto props = query<IMProps>(sourceObj);
        props->SetProp("eof_stop", "true");
        props->SetProp("loop", "false");
        props->SetProp("active_frc", "false");
        props->SetProp("preview.drop_frames", "true");
        query<IMProps>(writer)->SetProp("rate_control", "true");
        query<IMProps>(writer)->SetProp("pull_mode", "false");
    }
    void TearDown() override {
        if (source)
            source->CloseObject();
    }

    static QString clip(const char* name) { return clips_->filePath(name); }

    // The export job's calls; returns when the source has left its running state and the writer closed.
    std::pair<int, QString> exportRange(const QString& clipPath, const QString& target, const QString& params,
                                        double in, double out) {
        writer->SetTarget(target, params);
        file->OpenName(clipPath, "external_process=false");
        file->StopFile(0.0);
        file->SetInOut(in, out);
        file->SetPosition(in, 0.0);
        file->PlayFile();
        query<IMObject>(writer)->StartFrom(source.get());
        const bool ended = waitWhileRunning(30000);
        const std::pair<int, QString> result = closeWriter();
        if (!ended)
            return {0, QStringLiteral("the source still ran 30 s after the export started")};
        return result;
    }
    // A copied export of frames 15..45, as its outcome and the file tell it.
    static ProbedFile copiedFifteenToFortyFive(int ok, const QString& text, const QString& target) {
        EXPECT_EQ(ok, 1) << text.toStdString();
        EXPECT_TRUE(text.contains("copiados da origem")) << text.toStdString();
        const ProbedFile p = probeFile(target);
        EXPECT_EQ(p.videoFrames, 31);
        EXPECT_EQ(p.firstCode, 15);
        EXPECT_EQ(p.lastCode, 45);
        return p;
    }
    // Closes the writer and waits for it to finish the file; its outcome.
    std::pair<int, QString> closeWriter() {
        query<IMObject>(writer)->CloseObject();
        testsupport::waitForOutcome(*writer);
        std::pair<int, QString> result;
        writer->GetRecordingResult(result.first, result.second);
        return result;
    }
    bool waitWhileRunning(int ms) {
        QElapsedTimer t;
        t.start();
        for (int state = 3; state == 3; source->GetState(state)) {
            if (t.elapsed() > ms)
                return false;
            int stage = 0;
            double fraction = 0;
            writer->GetRecordingProgress(stage, fraction); // as the export job's tick asks it
            QCoreApplication::processEvents();
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return true;
    }

    static QTemporaryDir* clips_;
    std::unique_ptr<IEngineFactory> factory = ff::makeFfmpegEngine();
    MRef<IMWriter> writer = create<IMWriter>(*factory, CLSID_FileWriter);
    MRef<IMUnknown> sourceObj;
    MRef<IMFile> file;
    MRef<IMObject> source;
    QTemporaryDir out;
};
QTemporaryDir* SourceExport::clips_ = nullptr;

// How many samples late the left channel of a 48 kHz export of frames 15 on, which mixes source channels
// 1 and 0, sounds against those tones as the clip holds them: the shift (within half the two tones'
// common period) that best lays the one over the other, the mix's gain fitted.
int routedLagSamples(const QString& path) {
    constexpr int kRate = 48000, kReach = 900, kLength = 9600;
    double audioStart = 0;
    const std::vector<double> left = samples::testing::decodeAudio(path, 0, &audioStart).at(0);
    const double videoStart = samples::testing::probe(path).first(AVMEDIA_TYPE_VIDEO).startSeconds;
    const int64_t first = std::llround((15 * kFrame + audioStart - videoStart) * kRate);
    const int64_t from = 2400; // past the encoder's start
    int best = 0;
    double bestResidual = std::numeric_limits<double>::infinity();
    for (int lag = -kReach; lag <= kReach; ++lag) {
        double xy = 0, yy = 0, xx = 0;
        for (int64_t i = from; i < from + kLength && i < int64_t(left.size()); ++i) {
            const double y = samples::toneSample(1, first + i - lag, kRate) +
                             samples::toneSample(0, first + i - lag, kRate);
            xy += left[size_t(i)] * y, yy += y * y, xx += left[size_t(i)] * left[size_t(i)];
        }
        const double residual = xx - xy * xy / yy;
        if (residual < bestResidual)
            bestResidual = residual, best = lag;
    }
    return best;
}

} // namespace

TEST_F(SourceExport, EachFormatHoldsTheMarkedRange) {
    struct Case {
        const char* clip;
        const char* target;
        const char* params;
        const char* video;
        int channels;
        int sampleSlack;
    };
    const Case cases[] = {
        {"mpeg2.mxf", "a.mxf", "format=mxf video=mpeg2video audio=pcm_s16le", "mpeg2video", 16, 0},
        {"mpeg2.mxf", "b.mov", "format=mov video=prores_ks audio=pcm_s24le", "prores", 16, 0},
        {"mpeg2.mxf", "c.mov", "format=mov video=dnxhd audio=pcm_s16le", "dnxhd", 16, 0},
        {"h264.mp4", "d.mp4", "format=mp4 video=libx264 audio=aac video::preset=ultrafast", "h264", 2, 1024},
        {"h264.mp4", "e.mkv", "", "h264", 2, 1024}, // default audio codec pads its last packet
        {"h264.mp4", "f.ts", "", "mpeg2video", 2, 1152},
        {"mpeg2.mxf", "g.avi", "", "mpeg4", 2, 2400},
        // The clip's own pictures cut without a full re-encode.
        {"h264.mp4", "h.mp4", "format=mp4 video=copy audio=copy", "h264", 2, 1024},
    };
    // In and out a fifth of a frame into frames 15 and 45: frames 15..45 are the range.
    const double in = 15.2 * kFrame, outPoint = 45.2 * kFrame;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.target);
        const QString target = out.filePath(c.target);
        const auto [ok, text] = exportRange(clip(c.clip), target, c.params, in, outPoint);
        ASSERT_EQ(ok, 1) << text.toStdString();
        const ProbedFile p = probeFile(target);
        EXPECT_EQ(p.videoCodec, c.video);
        EXPECT_EQ(p.videoFrames, 31);
        EXPECT_EQ(p.firstCode, 15);
        EXPECT_EQ(p.lastCode, 45);
        EXPECT_EQ(p.channels, c.channels);
        EXPECT_NEAR(double(p.audioSamples), 31 * kFrame * 48000, c.sampleSlack + 1);
    }
    EXPECT_EQ(QDir(out.path()).entryList(QDir::Files | QDir::Hidden).size(), std::size(cases));
}

TEST_F(SourceExport, RoutedChannelsAndCaptionsReachTheFile) {
    // Every source channel has a tone of its own; the map moves them about and silences output 3.
    const std::vector<int> map{3, 0, 15, -1, 4, 9, 1, 2, 14, 13, 12, 11, 10, 8, 7, 6};
    QStringList mapText;
    for (int k : map)
        mapText << QString::number(k);
    query<IMProps>(sourceObj)->SetProp("object::audio_channels", mapText.join(','));
    const QString mxf = out.filePath("routed.mxf");
    ASSERT_EQ(exportRange(clip("mpeg2.mxf"), mxf, "format=mxf", 0, 20 * kFrame).first, 1);
    const auto sound = samples::testing::decodeAudio(mxf, 0);
    ASSERT_EQ(sound.size(), 16u);
    for (size_t output = 0; output < sound.size(); ++output)
        for (int source = 0; source < 16; ++source) {
            const double power =
                samples::testing::tonePower(sound[output], samples::toneFrequency(source), 48000);
            const double expected = map[output] == source ? samples::kToneAmplitude : 0.0;
            EXPECT_NEAR(2 * std::sqrt(power), expected, samples::kToneAmplitude / 20)
                << "output " << output << ", tone of source channel " << source;
        }

    // The captioned pictures of frames 15..45 are exactly those of the clip.
    const std::vector<int> clipCaptioned = probeFile(clip("h264.mp4")).captionedPictures;
    std::vector<int> expected;
    for (int frame : clipCaptioned)
        if (frame >= 15 && frame <= 45)
            expected.push_back(frame - 15);
    ASSERT_FALSE(expected.empty());
    ASSERT_LT(expected.size(), 31u) << "some pictures carry no caption";
    const QString mp4 = out.filePath("captions.mp4");
    ASSERT_EQ(
        exportRange(clip("h264.mp4"), mp4, "format=mp4 video::preset=ultrafast", 15.2 * kFrame, 45.2 * kFrame)
            .first,
        1);
    const ProbedFile p = probeFile(mp4);
    EXPECT_EQ(p.firstCode, 15);
    EXPECT_EQ(p.captionedPictures, expected);
}

TEST_F(SourceExport, PausingTheSourceEndsAPlayableExport) {
    const QString target = out.filePath("paused.mov");
    writer->SetTarget(target, "format=mov video=mpeg4 audio=pcm_s16le");
    file->OpenName(clip("mpeg2.mxf"), "");
    file->SetPosition(0, 0.0);
    file->PlayFile();
    query<IMObject>(writer)->StartFrom(source.get());
    // Paused a few frames in, by the position the source reports.
    QElapsedTimer t;
    t.start();
    for (double at = 0; at < 5 * kFrame && t.elapsed() < 10000; file->GetPosition(at))
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    file->PauseFile(0.0);
    const auto [ok, text] = closeWriter();
    EXPECT_EQ(ok, 1) << text.toStdString();
    const ProbedFile p = probeFile(target);
    EXPECT_GE(p.videoFrames, 6);
    EXPECT_EQ(p.firstCode, 0);
    EXPECT_EQ(p.lastCode, p.videoFrames - 1); // none dropped
    EXPECT_NEAR(double(p.audioSamples), p.videoFrames * kFrame * 48000, 1);
}

// With the clip's pictures copied, an audio encoder gets the routed sound of the played range, as a
// recording would: the chosen codec and attributes, the channel map, cut with the frames at the sample.
// "audio=copy" keeps the clip's own streams as recorded, which the map does not touch.
TEST_F(SourceExport, CopiedVideoTakesTheChosenSoundThroughTheChannelMap) {
    // Source channel 1 moves to output 0, output 1 is silenced, source channel 0 moves to output 2.
    query<IMProps>(sourceObj)->SetProp("object::audio_channels",
                                       "1,-1,0,-1,-1,-1,-1,-1,-1,-1,-1,-1,-1,-1,-1,-1");
    struct Case {
        const char* target;
        const char* params;
        const char* codec;
        int channels, rate, sampleSlack;
        // Per file channel, the source channels it carries; the channels past the list are silent.
        std::vector<std::vector<int>> tones;
        const char* clip = "h264.mov";
    };
    const Case cases[] = {
        {"pcm16.mov", "format=mov video=copy audio=pcm_s16le", "pcm_s16le", 16, 48000, 0, {{1}, {}, {0}}},
        // Two outputs: the even routed channels mixed to the left, the odd ones to the right.
        {"pcm2.mov", "format=mov video=copy audio=pcm_s24le audio::ac=2", "pcm_s24le", 2, 48000, 0, {{1, 0}}},
        {"aac.mp4", "format=mp4 video=copy audio=aac audio::ar=44100", "aac", 2, 44100, 1024, {{1, 0}}},
        {"asrecorded.mov", "format=mov video=copy audio=copy", "pcm_s16le", 2, 48000, 0, {{0}, {1}}},
        // MPEG-2 from MXF into MPEG-TS, whose sound is MP2: each of the 16 tracks routed as mapped.
        {"mpeg2pcm.mov",
         "format=mov video=copy audio=pcm_s24le audio::ac=2",
         "pcm_s24le",
         2,
         48000,
         0,
         {{1, 0}},
         "mpeg2.mxf"},
        {"mp2.ts", "format=mpegts video=copy audio=mp2", "mp2", 2, 48000, 1152, {{1, 0}}, "mpeg2.mxf"},
    };
    const double in = 15.2 * kFrame, outPoint = 45.2 * kFrame;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.target);
        const QString target = out.filePath(c.target);
        const auto [ok, text] = exportRange(clip(c.clip), target, c.params, in, outPoint);
        const ProbedFile p = copiedFifteenToFortyFive(ok, text, target);
        // The sound is read from the clip: the range is not played (its pictures decoded) for it.
        double position = 0;
        file->GetPosition(position);
        EXPECT_LT(position, 30 * kFrame);
        EXPECT_EQ(p.audioCodec, c.codec);
        EXPECT_EQ(p.sampleRate, c.rate);
        EXPECT_NEAR(double(p.audioSamples), 31 * kFrame * c.rate, c.sampleSlack + 1);
        ASSERT_EQ(p.channels, c.channels);

        const auto sound = samples::testing::decodeAudio(target, 0);
        ASSERT_EQ(sound.size(), size_t(c.channels));
        for (size_t ch = 0; ch < sound.size(); ++ch) {
            const auto carried = ch < c.tones.size() ? c.tones[ch] : std::vector<int>{};
            if (carried.empty()) {
                EXPECT_LT(p.channelRms[ch], 1e-4) << "file channel " << ch << " should be silent";
            }
            for (int source = 0; source < 2; ++source) {
                const double power =
                    samples::testing::tonePower(sound[ch], samples::toneFrequency(source), c.rate);
                const double level = 2 * std::sqrt(power);
                const bool expected = std::find(carried.begin(), carried.end(), source) != carried.end();
                EXPECT_NEAR(level, expected ? samples::kToneAmplitude : 0.0, samples::kToneAmplitude / 10)
                    << "file channel " << ch << ", tone of source channel " << source;
            }
        }
    }

    // MP2 re-encoded for MPEG-TS sounds where the same route's PCM does, to the sample, as a player
    // places it by the time stamps: the codec's own delay is made up for.
    EXPECT_EQ(routedLagSamples(out.filePath("mp2.ts")), routedLagSamples(out.filePath("mpeg2pcm.mov")));

    // Sample for sample: the moved channel from frame 15 on, to the end of frame 45 (the last frame's
    // sound whole, as a copy of the clip's own streams has it, not cut at the out point inside it).
    const auto moved = samples::testing::decodeAudio(out.filePath("pcm16.mov"), 0)[0];
    const int64_t first = std::llround(15 * kFrame * 48000);
    ASSERT_EQ(int64_t(moved.size()), std::llround(46 * kFrame * 48000) - first);
    for (size_t i = 0; i < moved.size(); i += 97)
        ASSERT_NEAR(moved[i], samples::toneSample(1, first + int64_t(i), 48000), 1.5 / 32768) << i;
}

TEST_F(SourceExport, ACopyWithTheClipsOwnSoundIsCutWithoutPlayingTheRange) {
    const QString target = out.filePath("copy.mov");
    const double in = 15.2 * kFrame, outPoint = 45.2 * kFrame;
    ASSERT_EQ(writer->SetTarget(target, "format=mov video=copy audio=copy"), kOk);
    file->OpenName(clip("h264.mov"), "external_process=false");
    file->StopFile(0.0);
    file->SetInOut(in, outPoint);
    file->SetPosition(in, 0.0);
    file->PlayFile();
    query<IMObject>(writer)->StartFrom(source.get());
    // Once the clip is open the writer has what it needs and stops the source: the range is not played
    // for it.
    ASSERT_TRUE(waitWhileRunning(30000));
    double position = 0;
    file->GetPosition(position);
    EXPECT_LT(position, 30 * kFrame);
    const auto [ok, text] = closeWriter();
    const ProbedFile p = copiedFifteenToFortyFive(ok, text, target);
    EXPECT_NEAR(double(p.audioSamples) / p.sampleRate, 31 * kFrame, 0.001);
}

// The clip is gone by the time the source opens it for the export (deleted meanwhile): the export ends
// with the reason, and nothing is left at the target.
TEST_F(SourceExport, AClipThatCannotBeOpenedFailsTheExportAndLeavesNoFile) {
    for (const char* params : {"format=mp4 video=libx264 audio=aac", "format=mp4 video=copy audio=copy"}) {
        SCOPED_TRACE(params);
        const QString target = out.filePath("gone.mp4");
        const auto [ok, text] = exportRange(out.filePath("deleted.mp4"), target, params, 0.5, 1.0);
        EXPECT_EQ(ok, 0);
        EXPECT_FALSE(text.isEmpty());
        EXPECT_TRUE(QDir(out.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
    }
}
