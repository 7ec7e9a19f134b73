// The writer's "copy" choice: the export job's usual sequence (SetTarget, StartFrom, play the range,
// CloseObject) cuts the played range out of the clip file itself.
#include <gtest/gtest.h>

#include "FileSizeLimit.h"
#include "MediaReader.h"
#include "OperatorLanguage.h"
#include "QtPrinters.h"
#include "WriterFixture.h"
#include "samples/SampleClips.h"

namespace {

class CopyThroughWriter : public writertest::WriterFixture {
  protected:
    void SetUp() override {
        samples::ClipRecipe c;
        c.path = file("clip.mov");
        c.frames = 90;
        c.gopLength = 24;
        c.audioCodec = "pcm_s16le";
        samples::writeSampleClip(c);
        feeder->path = c.path;
    }
};

TEST_F(CopyThroughWriter, PlayedRangeIsCutFromTheClipOrTheReasonIsReported) {
    const auto ok = exportRange(file("cut.mov"), "format=mov video=copy audio=copy", 10, 50);
    ASSERT_EQ(ok.ok, 1) << ok.text.toStdString();
    EXPECT_TRUE(ok.text.contains("copiados da origem")) << ok.text.toStdString();
    EXPECT_EQ(testsupport::englishWordsIn(ok.text), QStringList()) << ok.text.toStdString();
    std::vector<int64_t> codes;
    samples::testing::decodeVideo(file("cut.mov"),
                                  [&](const AVFrame& f) { codes.push_back(samples::readFrameCode(&f)); });
    ASSERT_EQ(codes.size(), 50u);
    for (size_t i = 0; i < codes.size(); ++i)
        EXPECT_EQ(codes[i], int64_t(10 + i));

    // MP4 cannot hold the clip's PCM sound: a clear reason, no file.
    const auto refused = exportRange(file("cut.mp4"), "format=mp4 video=copy audio=copy", 10, 20);
    EXPECT_EQ(refused.ok, 0);
    EXPECT_TRUE(refused.text.contains("não comporta o áudio pcm_s16le da origem"))
        << refused.text.toStdString();
    EXPECT_EQ(testsupport::englishWordsIn(refused.text), QStringList()) << refused.text.toStdString();
    EXPECT_FALSE(QFile::exists(file("cut.mp4")));

    // Sound can only be copied along with the pictures.
    EXPECT_NE(writer->SetTarget(file("x.mov"), "format=mov video=libx264 audio=copy"), engine::kOk);
    EXPECT_TRUE(result().text.contains("junto com o vídeo")) << result().text.toStdString();
}

// The disk fills while the cut is written, after the recording has ended: the operator is told, and
// neither the file nor a temporary file is left.
TEST_F(CopyThroughWriter, ADiskThatFillsDuringTheCutLeavesNothing) {
    writertest::Outcome o;
    {
        const writertest::FileSizeLimit fullDisk(16 * 1024);
        o = exportRange(file("full.mov"), "format=mov video=copy audio=copy", 10, 50);
    }
    EXPECT_EQ(o.ok, 0);
    EXPECT_TRUE(o.text.contains("full.mov")) << o.text.toStdString();
    EXPECT_EQ(folderEntries(), QStringList{"clip.mov"});
}

} // namespace
