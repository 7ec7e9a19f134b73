// Recordings still being written by the live mode of the sample tool (as an ingest server writes them)
// and storage that stops answering: the duration follows the file while paused, seeks into the part
// written after the open show the exact frame, playing waits at the live edge and through a writer's
// pause, and the source ends once the writer finishes (or the storage is silent) with no decode error.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <atomic>
#include <condition_variable>
#include <csignal>
#include <thread>

#include "EngineHarness.h"

extern "C" {
#include <libavutil/log.h>
}

using namespace engine;
using namespace enginetest;

namespace {
constexpr double kFrame = 1.0 / 25; // the live mode writes 25 fps

std::atomic<int> decodeErrors{0};
void countErrors(void*, int level, const char*, va_list) {
    if (level <= AV_LOG_ERROR)
        ++decodeErrors;
}

// The sample tool writing a recording in real time into a scratch folder.
class Writer {
  public:
    explicit Writer(const QString& format) {
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.start(MAKE_SAMPLES_PROGRAM, {"live", dir_.path(), "--format", format, "--small", "--segment-seconds",
                                              "30", "--file-minutes", "10"});
        process_.waitForStarted();
    }
    ~Writer() {
        signal(SIGCONT);
        stop();
    }
    // The file being written, once it started.
    QString file() {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < 60'000 && process_.state() == QProcess::Running) {
            process_.waitForReadyRead(100);
            while (process_.canReadLine()) {
                const QString line = QString::fromUtf8(process_.readLine()).trimmed();
                if (line.startsWith("started "))
                    return line.mid(8);
            }
        }
        return {};
    }
    void signal(int sig) {
        if (process_.state() == QProcess::Running)
            ::kill(pid_t(process_.processId()), sig);
    }
    // Finishes the file (trailer written).
    bool stop() {
        signal(SIGTERM);
        return process_.state() == QProcess::NotRunning || process_.waitForFinished(30'000);
    }

  private:
    QTemporaryDir dir_;
    QProcess process_;
};

void sleepSeconds(double s) {
    std::this_thread::sleep_for(std::chrono::milliseconds(int(s * 1000)));
}

struct Live {
    const char* format;
    int endsWithinSeconds; // after the writer stops: its trailer, or 30 s without growth (MPEG-TS)
    // How far behind the file on disk the picture may stay at the edge: a fragmented MP4 is readable a
    // whole fragment (0.64 s) at a time, and only through a demuxer opened again.
    double edgeLag;
};

class GrowingFile : public ::testing::TestWithParam<Live> {};

TEST_P(GrowingFile, PlaysToTheLiveEdgeWaitsThroughAPauseAndEndsWhenTheWriterDoes) {
    const Live live = GetParam();
    decodeErrors = 0;
    av_log_set_callback(countErrors);
    Writer writer(live.format);
    const QString path = writer.file();
    ASSERT_FALSE(path.isEmpty());
    sleepSeconds(3);

    Engine eng;
    TestSurface surface;
    auto src = eng.source();
    auto r = eng.renderer(src, surface);
    query<IMProps>(src)->SetProp("eof_stop", "true");
    ASSERT_TRUE(openClip(src, path, ""));
    // What is on disk (an MXF file's end is found on the demuxing thread, just after the open).
    EXPECT_TRUE(eventually([&] { return durationOf(src) > 1.5; })) << durationOf(src);
    const double opened = durationOf(src);
    EXPECT_TRUE(surface.waitForCode(0, 5000)) << surface.code();

    // Paused, the duration follows the file.
    ASSERT_TRUE(eventually([&] { return durationOf(src) > opened + 2; }, 8000)) << durationOf(src);

    // A picture written after the open, exactly.
    const int64_t frame = int64_t((opened + 1.2) / kFrame);
    src->SetPosition(double(frame) * kFrame, 0);
    EXPECT_TRUE(surface.waitForCode(frame, 8000)) << "wanted " << frame << ", shown " << surface.code();

    // Played to the live edge, it waits there and stays close behind the writer.
    src->PlayFile();
    ASSERT_TRUE(eventually([&] { return positionOf(src) > durationOf(src) - 1.0; }, 15000));
    sleepSeconds(2);
    EXPECT_EQ(stateOf(src), 3);
    EXPECT_GT(positionOf(src), durationOf(src) - live.edgeLag);

    // The writer pauses 5 s: the picture waits, then goes on as the file grows again.
    writer.signal(SIGSTOP);
    sleepSeconds(5);
    EXPECT_EQ(stateOf(src), 3);
    const double held = positionOf(src);
    writer.signal(SIGCONT);
    EXPECT_TRUE(eventually([&] { return positionOf(src) > held + 1.0; }, 8000)) << positionOf(src);

    // The writer finishes the file: the source plays to its end and stops there.
    ASSERT_TRUE(writer.stop());
    EXPECT_TRUE(eventually([&] { return stateOf(src) == 1; }, live.endsWithinSeconds * 1000));
    EXPECT_NEAR(positionOf(src), durationOf(src) - kFrame, 2 * kFrame);
    EXPECT_EQ(decodeErrors.load(), 0);
    av_log_set_callback(av_log_default_callback);
}

INSTANTIATE_TEST_SUITE_P(Formats, GrowingFile,
                         ::testing::Values(Live{"mxf", 10, 1.5}, Live{"ts", 45, 1.5}, Live{"mp4", 10, 2.5}),
                         [](const auto& info) { return std::string(info.param.format); });

// Storage that stops answering: every call still returns at once, and after 20 s the source stops with
// the reason; the thread stuck in the storage is left behind.
TEST(SilentStorage, ReadsHeldOnTheGateEndTheSourceWithItsReasonWhileCallsReturn) {
    std::mutex gm;
    std::condition_variable gcv;
    bool held = false;
    Engine eng(ff::gateReads([&](const QString&) {
        std::unique_lock lk(gm);
        gcv.wait(lk, [&] { return !held; });
    }, kHeldClipReadAhead));
    auto src = eng.source();
    ASSERT_TRUE(openClip(src, clip("ten.mp4", [](samples::ClipRecipe& r) { r.frames = 300; }), ""));
    {
        std::lock_guard lk(gm);
        held = true;
    }
    src->PlayFile();
    // While the storage is silent the window's calls go on being answered.
    for (int i = 0; i < 50 && stateOf(src) == 3; ++i) {
        src->SetPosition(double(i % 9), 0);
        src->PlayFile();
        sleepSeconds(0.5);
    }
    ASSERT_TRUE(eventually([&] { return stateOf(src) == 1; }, 10000));
    QString reason;
    query<IMProps>(src)->GetProp("last_error", reason);
    EXPECT_TRUE(reason.contains("não responde")) << reason.toStdString();
    {
        std::lock_guard lk(gm);
        held = false;
        gcv.notify_all();
    }
    EXPECT_EQ(query<IMObject>(src)->CloseObject(), kOk);
}

} // namespace
