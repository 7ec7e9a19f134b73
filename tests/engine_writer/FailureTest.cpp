// Exports that cannot complete: each reports its reason, leaves no partial file, keeps an older file at
// the target and never touches the clip being played.
#include <QFile>
#include <thread>

#include "FileSizeLimit.h"
#include "OperatorLanguage.h"
#include "QtPrinters.h"
#include "WriterFixture.h"

using namespace writertest;

namespace {

void writeText(const QString& path, const QByteArray& text) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
}
QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

TEST_F(WriterFixture, FoldersThatCannotBeWrittenAreReported) {
    Outcome o = exportRange(file("missing/x.mp4"), "", 0, 3);
    EXPECT_EQ(o.ok, 0);
    EXPECT_TRUE(o.text.contains("não existe")) << o.text.toStdString();

    // A folder nobody may create files in, whoever runs the test.
    o = exportRange("/proc/x.mp4", "", 0, 3);
    EXPECT_EQ(o.ok, 0);
    EXPECT_TRUE(o.text.contains("Não é possível gravar")) << o.text.toStdString();
    EXPECT_TRUE(folderEntries().isEmpty());
}

// What the operator reads of an export, failed or written, is in the program's language: our own reasons and
// the causes FFmpeg and the system give for them.
TEST_F(WriterFixture, OutcomesReadInTheOperatorsLanguage) {
    const struct {
        const char* name;
        QString target;
        const char* params;
        int ok;
    } cases[] = {
        {"a folder nobody may write in", "/proc/x.mp4", "", 0},
        {"a missing folder", file("missing/x.mp4"), "", 0},
        {"a codec that cannot start with its settings", file("a.mp4"),
         "format=mp4 video=libx264 video::profile=baseline video::pix_fmt=yuv444p", 0},
        {"a setting the codec refuses", file("b.mp4"), "format=mp4 video::b=K", 0},
        {"written", file("c.mov"), "format=mov video=mpeg4 audio=pcm_s16le", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Outcome o = exportRange(c.target, c.params, 0, 3);
        EXPECT_EQ(o.ok, c.ok) << o.text.toStdString();
        EXPECT_FALSE(o.text.isEmpty());
        EXPECT_EQ(testsupport::englishWordsIn(o.text), QStringList()) << o.text.toStdString();
    }
}

TEST_F(WriterFixture, TheClipBeingPlayedIsNeverTheTarget) {
    feeder->path = file("clip.mxf");
    writeText(feeder->path, "the recording");
    ASSERT_EQ(writer->SetTarget(dir.path() + "/./clip.mxf", ""), kOk);
    EXPECT_LT(start(0), 0);
    const Outcome o = result();
    EXPECT_EQ(o.ok, 0);
    EXPECT_TRUE(o.text.contains("clipe em reprodução")) << o.text.toStdString();
    EXPECT_EQ(readAll(feeder->path), "the recording");
    EXPECT_EQ(folderEntries(), QStringList{"clip.mxf"});
}

TEST_F(WriterFixture, FailuresKeepTheOlderFileAndLeaveNothingBehind) {
    const QString target = file("out.mp4");
    writeText(target, "older export");
    // A codec that refuses its settings, then a disk that fills up.
    Outcome o =
        exportRange(target, "format=mp4 video=libx264 video::profile=baseline video::pix_fmt=yuv444p", 0, 3);
    EXPECT_EQ(o.ok, 0);
    EXPECT_TRUE(o.text.contains("libx264")) << o.text.toStdString();
    EXPECT_EQ(readAll(target), "older export");
    EXPECT_EQ(folderEntries(), QStringList{"out.mp4"});

    {
        FileSizeLimit limit(64 * 1024);
        ASSERT_EQ(writer->SetTarget(target, "format=mov video=mpeg4 audio=pcm_s24le"), kOk);
        ASSERT_EQ(start(0), kOk);
        feeder->play(25);
        // Told while the source still runs, so the operator hears of it before the job ends.
        for (int i = 0; i < 500 && result().text == "Gravação em andamento"; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        EXPECT_EQ(result().ok, 0);
        EXPECT_NE(result().text, "Gravação em andamento");
        int state = 0;
        query<IMObject>(writer)->GetState(state);
        EXPECT_NE(state, 3);
        o = finish();
    }
    EXPECT_EQ(o.ok, 0);
    EXPECT_TRUE(o.text.contains("out.mp4")) << o.text.toStdString();
    EXPECT_EQ(readAll(target), "older export");
    EXPECT_EQ(folderEntries(), QStringList{"out.mp4"});

    // The same writer records again after a failure, and only then replaces the older file.
    o = exportRange(target, "format=mp4 video=libx264 video::preset=ultrafast", 0, 3);
    EXPECT_EQ(o.ok, 1) << o.text.toStdString();
    EXPECT_EQ(probeFile(target).videoFrames, 3);
    EXPECT_EQ(folderEntries(), QStringList{"out.mp4"});
}

TEST_F(WriterFixture, PauseOrStopEndsTheRecordingCleanly) {
    for (int stopState : {2, 1}) {
        const QString target = file(QString("paused%1.mov").arg(stopState));
        ASSERT_EQ(writer->SetTarget(target, "format=mov video=mpeg4 audio=pcm_s16le"), kOk);
        ASSERT_EQ(start(10), kOk);
        feeder->play(5);
        feeder->setState(stopState);
        feeder->present(40); // a seek or step while not running is not recorded
        feeder->present(41);
        const Outcome o = finish();
        EXPECT_EQ(o.ok, 1) << o.text.toStdString();
        const ProbedFile p = probeFile(target);
        EXPECT_EQ(p.videoFrames, 5);
        EXPECT_NEAR(double(p.audioSamples), 5 * 1920.0, 0);
    }
}

TEST_F(WriterFixture, StartWithoutAUsableTargetFails) {
    EXPECT_LT(start(0), 0);
    EXPECT_LT(writer->SetTarget(file("x.mp4"), "video::b=K"), 0);
    EXPECT_LT(start(0), 0);
    const Outcome o = result();
    EXPECT_EQ(o.ok, 0);
    EXPECT_TRUE(o.text.contains("b=K")) << o.text.toStdString();
    EXPECT_TRUE(folderEntries().isEmpty());
}

TEST_F(WriterFixture, AnAbandonedRecordingLeavesNoFile) {
    // Abandoned while recording: nothing at the target, no temporary file.
    ASSERT_EQ(writer->SetTarget(file("cut.mov"), "format=mov video=mpeg4 audio=pcm_s16le"), kOk);
    ASSERT_EQ(start(0), kOk);
    feeder->play(10);
    writer->AbandonRecording();
    testsupport::waitForOutcome(*writer);
    Outcome o = result();
    EXPECT_EQ(o.ok, 0);
    EXPECT_TRUE(o.text.contains("abandonada")) << o.text.toStdString();
    EXPECT_TRUE(folderEntries().isEmpty()) << folderEntries().join(' ').toStdString();

    // Abandoned once closed, while the file may be finishing: either it was already in place and is
    // complete, or nothing is left; never a temporary file.
    ASSERT_EQ(writer->SetTarget(file("cut.mov"), "format=mov video=mpeg4 audio=pcm_s16le"), kOk);
    ASSERT_EQ(start(0), kOk);
    feeder->play(25);
    feeder->setState(1);
    query<IMObject>(writer)->CloseObject();
    writer->AbandonRecording();
    testsupport::waitForOutcome(*writer);
    o = result();
    if (o.ok == 1) {
        EXPECT_EQ(probeFile(file("cut.mov")).videoFrames, 25);
    }
    EXPECT_EQ(folderEntries(), o.ok == 1 ? QStringList{"cut.mov"} : QStringList());
}
