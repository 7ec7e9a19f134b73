// Real exports through the writer: containers and codecs, the exact frame range, the picture at the in
// point, sound length and channels, captions, pacing.
#include <QFile>
#include <cmath>

#include "MediaReader.h"
#include "WriterFixture.h"

using namespace writertest;

namespace {

struct FormatCase {
    const char* file;
    const char* params;
    const char* demuxer;
    const char* video;
    const char* audio;
    int channels;
    int sampleSlack; // a lossy codec pads its last frame, and MP3 in AVI keeps its encoder delay
};

class ExportFormats : public WriterFixture, public ::testing::WithParamInterface<FormatCase> {};

// Level (amplitude) of feeder channel c's tone in one decoded channel, away from the codec's priming and
// padding at either end.
double toneLevel(const std::vector<double>& sound, int c, int rate) {
    const size_t edge = std::min(sound.size() / 4, size_t(2400));
    const std::vector<double> middle(sound.begin() + ptrdiff_t(edge), sound.end() - ptrdiff_t(edge));
    return 2 * std::sqrt(samples::testing::tonePower(middle, TestFeeder::frequencyOf(c), rate));
}

} // namespace

TEST_P(ExportFormats, FileHoldsExactlyTheRangeWithItsSound) {
    const FormatCase& c = GetParam();
    const int64_t in = 7;
    const int frames = 12;
    const Outcome o = exportRange(file(c.file), c.params, in, frames);
    ASSERT_EQ(o.ok, 1) << o.text.toStdString();
    EXPECT_EQ(folderEntries(), QStringList{c.file}); // no temporary file left beside it

    const ProbedFile p = probeFile(file(c.file));
    ASSERT_TRUE(p.opened);
    EXPECT_NE(p.format.find(c.demuxer), std::string::npos) << p.format;
    EXPECT_EQ(p.videoCodec, c.video);
    EXPECT_EQ(p.audioCodec, c.audio);
    EXPECT_EQ(p.videoFrames, frames);
    EXPECT_NEAR(p.firstLuma, TestFeeder::lumaOf(in), 3.0);
    EXPECT_EQ(p.channels, c.channels);
    EXPECT_NEAR(double(p.audioSamples), frames * 1920.0, c.sampleSlack);

    // Each channel's tone is heard where it belongs, at its level: on its own output, or, brought down to
    // two, the even channels on the left and the odd ones on the right.
    const auto sound = samples::testing::decodeAudio(file(c.file), 0);
    ASSERT_EQ(sound.size(), size_t(c.channels));
    for (size_t out = 0; out < sound.size(); ++out)
        for (int source = 0; source < 16; ++source) {
            const bool carried = c.channels == 16 ? int(out) == source : source % 2 == int(out);
            const double expected = carried ? TestFeeder::amplitudeOf(source) : 0.0;
            EXPECT_NEAR(toneLevel(sound[out], source, p.sampleRate), expected, 0.1 * expected + 0.002)
                << "output " << out << ", tone of channel " << source;
        }
}

INSTANTIATE_TEST_SUITE_P(
    Writer, ExportFormats,
    ::testing::Values(
        FormatCase{"a.mxf", "format=mxf video=mpeg2video audio=pcm_s16le", "mxf", "mpeg2video", "pcm_s16le",
                   16, 0},
        FormatCase{"b.mov", "format=mov video=prores_ks audio=pcm_s24le", "mov", "prores", "pcm_s24le", 16,
                   0},
        FormatCase{"c.mov", "format=mov video=dnxhd audio=pcm_s16le", "mov", "dnxhd", "pcm_s16le", 16, 0},
        FormatCase{"d.mp4", "format=mp4 video=libx264 audio=aac video::preset=ultrafast audio::b=128K", "mp4",
                   "h264", "aac", 2, 1024},
        FormatCase{"e.mkv", "", "matroska", "h264", "vorbis", 2, 256},
        FormatCase{"f.ts", "", "mpegts", "mpeg2video", "mp2", 2, 1152},
        FormatCase{"g.avi", "", "avi", "mpeg4", "mp3", 2, 2400}),
    [](const auto& info) { return std::string(info.param.file).substr(2) + std::to_string(info.index); });

TEST_F(WriterFixture, RoutedChannelsKeepTheirSilenceAndADownmixKeepsEveryChannel) {
    feeder->silentChannels = {1, 5};
    ASSERT_EQ(exportRange(file("all.mov"), "format=mov video=mpeg4 audio=pcm_s16le", 0, 10).ok, 1);
    const ProbedFile all = probeFile(file("all.mov"));
    ASSERT_EQ(all.channelRms.size(), 16u);
    for (int c = 0; c < 16; ++c) {
        const bool silent = c == 1 || c == 5;
        EXPECT_NEAR(all.channelRms[size_t(c)], silent ? 0.0 : TestFeeder::amplitudeOf(c) / std::sqrt(2.0),
                    0.002)
            << "channel " << c;
    }

    ASSERT_EQ(exportRange(file("two.mov"), "format=mov video=mpeg4 audio=pcm_s16le audio::ac=2", 0, 10).ok,
              1);
    const ProbedFile two = probeFile(file("two.mov"));
    ASSERT_EQ(two.channelRms.size(), 2u);
    // Even channels to the left, odd to the right: tones of different pitch add up in power.
    double left = 0, right = 0;
    for (int c = 0; c < 16; ++c) {
        if (c == 1 || c == 5)
            continue;
        (c % 2 ? right : left) += std::pow(TestFeeder::amplitudeOf(c), 2) / 2;
    }
    EXPECT_NEAR(two.channelRms[0], std::sqrt(left), 0.01 * std::sqrt(left) + 0.002);
    EXPECT_NEAR(two.channelRms[1], std::sqrt(right), 0.01 * std::sqrt(right) + 0.002);
}

TEST_F(WriterFixture, ClosedCaptionsTravelWithThePictures) {
    // Frames 3..10 are exported; 4, 5 and 9 carry captions, and so must pictures 1, 2 and 6 of the file.
    feeder->captionedFrames = {2, 4, 5, 9, 11};
    for (const char* params :
         {"format=mp4 video=libx264 video::preset=ultrafast", "format=mpegts video=mpeg2video"}) {
        const QString target = file(QString("cc.") + (QString(params).contains("mp4") ? "mp4" : "ts"));
        ASSERT_EQ(exportRange(target, params, 3, 8).ok, 1) << params;
        EXPECT_EQ(probeFile(target).captionedPictures, (std::vector<int>{1, 2, 6})) << params;
    }
}

TEST_F(WriterFixture, InterlacedPicturesAreEncodedAsFields) {
    feeder->interlaced = true;
    feeder->width = 720;
    feeder->height = 576;
    ASSERT_EQ(exportRange(file("i.mxf"), "format=mxf video=mpeg2video", 0, 4).ok, 1);
    EXPECT_TRUE(probeFile(file("i.mxf")).interlaced);
}

TEST_F(WriterFixture, RateControlMakesTheWriterPaceTheSource) {
    for (const char* value : {"true", "false"}) {
        query<IMProps>(writer)->SetProp("rate_control", value);
        ASSERT_EQ(writer->SetTarget(file("p.mp4"), ""), kOk);
        ASSERT_EQ(start(0), kOk);
        int state = 0;
        query<IMObject>(writer)->GetState(state);
        EXPECT_EQ(state, 3);
        EXPECT_EQ(feeder->paced(), QString(value) == "true");
        feeder->play(3);
        EXPECT_EQ(finish().ok, 1);
        query<IMObject>(writer)->GetState(state);
        EXPECT_NE(state, 3);
    }
}

TEST_F(WriterFixture, ANewTargetFinishesTheRecordingInProgress) {
    // The export job's second click on a running writer: new target, then the new range.
    ASSERT_EQ(writer->SetTarget(file("first.mov"), "format=mov video=mpeg4"), kOk);
    ASSERT_EQ(start(0), kOk);
    feeder->play(4);
    ASSERT_EQ(writer->SetTarget(file("second.mov"), "format=mov video=mpeg4"), kOk);
    testsupport::waitForOutcome(*writer);
    EXPECT_EQ(result().ok, 1);
    EXPECT_EQ(probeFile(file("first.mov")).videoFrames, 4);
    ASSERT_EQ(start(20), kOk);
    feeder->play(6);
    EXPECT_EQ(finish().ok, 1);
    const ProbedFile second = probeFile(file("second.mov"));
    EXPECT_EQ(second.videoFrames, 6);
    EXPECT_NEAR(second.firstLuma, TestFeeder::lumaOf(20), 3.0);
}
