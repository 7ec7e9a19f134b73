// The live mode of veltra-make-samples as a script runs it: written into a folder in real time, files
// cut and rotated, stopped by a signal. What it leaves must read as a recording: complete files whose
// pictures, frame codes and timecodes run on without a gap from one file to the next.
#include "MediaReader.h"
#include "QtPrinters.h"
#include "samples/SampleClips.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <atomic>
#include <cstdarg>
#include <gtest/gtest.h>
#include <memory>
#include <signal.h>

extern "C" {
#include <libavutil/log.h>
#include <libavutil/timecode.h>
}

namespace samples {
namespace {

using namespace samples::testing;

constexpr int kTimecodeRate = 25; // every live format runs at 25 fps
constexpr int kKeep = 2;

// FFmpeg's complaints while a file is read back: a damaged or cut file shows up here.
std::atomic<int> readErrors{0};

void countErrors(void*, int level, const char*, va_list) {
    if (level <= AV_LOG_ERROR)
        ++readErrors;
}

// Reads its stdout line by line while it runs.
class LiveProcess {
  public:
    explicit LiveProcess(const QStringList& args) {
        process_.start(MAKE_SAMPLES_PROGRAM, QStringList{"live"} + args);
        process_.waitForStarted();
    }

    // Waits (a generous bound, it writes in real time) until `count` lines start with `prefix`.
    bool waitForLines(const QString& prefix, int count) {
        QElapsedTimer timer;
        timer.start();
        while (linesStarting(prefix).size() < count) {
            if (timer.elapsed() > 60'000 || process_.state() == QProcess::NotRunning)
                return false;
            process_.waitForReadyRead(100);
            while (process_.canReadLine())
                lines_ << QString::fromUtf8(process_.readLine()).trimmed();
        }
        return true;
    }

    std::string errors() { return process_.readAllStandardError().toStdString(); }

    void signal(int sig) { ::kill(pid_t(process_.processId()), sig); }

    // Exit code after the signal, -1 for a crash or no exit.
    int stop(int sig) {
        signal(sig);
        if (!process_.waitForFinished(30'000))
            return -1;
        lines_ += QString::fromUtf8(process_.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
        return process_.exitStatus() == QProcess::NormalExit ? process_.exitCode() : -1;
    }

    QStringList linesStarting(const QString& prefix) const {
        QStringList paths;
        for (const QString& line : lines_)
            if (line.startsWith(prefix + ' '))
                paths << line.mid(prefix.size() + 1);
        return paths;
    }

  private:
    QProcess process_;
    QStringList lines_;
};

int64_t timecodeFrames(const QString& timecode) {
    const QStringList p = timecode.split(':');
    if (p.size() != 4)
        return -1;
    return ((p[0].toLongLong() * 60 + p[1].toLongLong()) * 60 + p[2].toLongLong()) * kTimecodeRate +
           p[3].toLongLong();
}

struct FileReading {
    std::vector<int64_t> frameCodes;
    std::vector<int64_t> pictureTimes;
    QString gopTimecode; // MPEG-2: the time code of the first GOP header
    int64_t audioSamples = 0;
    int errors = 0;
};

FileReading readBack(const QString& path) {
    FileReading r;
    readErrors = 0;
    av_log_set_callback(countErrors);
    decodeVideo(path, [&](const AVFrame& f) {
        r.frameCodes.push_back(readFrameCode(&f));
        r.pictureTimes.push_back(f.best_effort_timestamp);
        if (f.decode_error_flags || (f.flags & AV_FRAME_FLAG_CORRUPT))
            ++readErrors;
        const AVFrameSideData* tc = av_frame_get_side_data(&f, AV_FRAME_DATA_GOP_TIMECODE);
        if (tc && r.gopTimecode.isEmpty()) {
            char text[AV_TIMECODE_STR_SIZE];
            r.gopTimecode =
                av_timecode_make_mpeg_tc_string(text, *reinterpret_cast<const int64_t*>(tc->data));
        }
    });
    r.audioSamples = int64_t(decodeAudio(path, 0).at(0).size());
    av_log_set_callback(av_log_default_callback);
    r.errors = readErrors;
    return r;
}

// A short repeated stretch, so that the files cross from one repetition to the next.
constexpr int kSegmentSeconds = 2;

// The picture after `previous`: the next frame code, or the repetition's first.
bool follows(int64_t previous, int64_t code) {
    return code == previous + 1 || (code == 0 && previous + 1 >= kSegmentSeconds * kTimecodeRate);
}

void expectContinuous(const FileReading& r) {
    ASSERT_FALSE(r.frameCodes.empty());
    const int64_t step = r.frameCodes.size() > 1 ? r.pictureTimes[1] - r.pictureTimes[0] : 1;
    EXPECT_GT(step, 0);
    for (size_t i = 1; i < r.frameCodes.size(); ++i) {
        EXPECT_EQ(r.pictureTimes[i] - r.pictureTimes[i - 1], step) << "picture " << i;
        EXPECT_TRUE(follows(r.frameCodes[i - 1], r.frameCodes[i]))
            << "picture " << i << ": code " << r.frameCodes[i] << " after " << r.frameCodes[i - 1];
    }
    // The sound lasts as long as the pictures (within a frame and an audio packet).
    const double pictureSeconds = double(r.frameCodes.size()) / kTimecodeRate;
    EXPECT_NEAR(double(r.audioSamples) / 48000, pictureSeconds, 0.07);
}

// The file's trailer as a reader finds it: MXF's footer partition, fragmented MP4's fragment index.
bool hasTrailer(const QString& path, const QString& format) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QByteArray data = f.readAll();
    if (format == "mxf")
        return data.contains(QByteArray::fromHex("060e2b34020501010d0102010104"));
    if (format == "mp4")
        return data.right(16).mid(4, 4) == "mfro";
    return true; // a transport stream just ends
}

struct Case {
    const char* format;
    int signal;
    bool pauseWriter; // stopped and continued between two files
};

TEST(LiveRecording, WritesRotatesAndFinishesEachFormat) {
    const Case cases[] = {{"mxf", SIGTERM, true}, {"ts", SIGINT, false}, {"mp4", SIGTERM, false}};
    // The three write at once: the test waits for media written in real time.
    QTemporaryDir scratch;
    std::vector<std::unique_ptr<LiveProcess>> runs;
    for (const Case& c : cases) {
        const QString folder = scratch.filePath(c.format);
        ASSERT_TRUE(QDir().mkpath(folder));
        QFile unrelated(folder + "/notes.txt");
        ASSERT_TRUE(unrelated.open(QIODevice::WriteOnly));
        unrelated.write("not the recorder's");
        unrelated.close();
        runs.push_back(std::make_unique<LiveProcess>(QStringList{
            folder, "--format", c.format, "--small", "--file-minutes", "0.03", "--keep",
            QString::number(kKeep), "--name", "cam", "--segment-seconds", QString::number(kSegmentSeconds)}));
    }
    for (size_t i = 0; i < runs.size(); ++i) {
        if (!cases[i].pauseWriter)
            continue;
        ASSERT_TRUE(runs[i]->waitForLines("started", 2));
        runs[i]->signal(SIGSTOP);
        QThread::msleep(1500);
        runs[i]->signal(SIGCONT);
    }
    for (size_t i = 0; i < runs.size(); ++i) {
        ASSERT_TRUE(runs[i]->waitForLines("started", kKeep + 1))
            << cases[i].format << ": " << runs[i]->errors();
        QThread::msleep(300); // some pictures into the last file, wherever in its GOP the signal comes
        EXPECT_EQ(runs[i]->stop(cases[i].signal), 0) << cases[i].format;
    }

    for (size_t i = 0; i < runs.size(); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(c.format);
        const LiveProcess& run = *runs[i];
        const QStringList started = run.linesStarting("started");
        EXPECT_EQ(run.linesStarting("finished"), started) << "every file finished, the open one included";
        // The newest files stay with the unrelated one; the others are gone.
        const QStringList kept = started.mid(started.size() - kKeep);
        EXPECT_EQ(run.linesStarting("removed"), started.mid(0, started.size() - kKeep));
        QStringList expectedNames{"notes.txt"};
        for (const QString& path : kept)
            expectedNames << QFileInfo(path).fileName();
        expectedNames.sort();
        EXPECT_EQ(QDir(scratch.filePath(c.format)).entryList(QDir::Files, QDir::Name), expectedNames);
        for (const QString& path : kept)
            EXPECT_TRUE(QFileInfo(path).fileName().startsWith("cam_")) << path.toStdString();

        std::vector<FileReading> files;
        for (const QString& path : kept) {
            SCOPED_TRACE(path.toStdString());
            files.push_back(readBack(path));
            EXPECT_EQ(files.back().errors, 0);
            EXPECT_TRUE(hasTrailer(path, c.format));
            expectContinuous(files.back());
        }
        // The next file goes on where the last one ended: pictures, and the timecode (no container
        // timecode in a transport stream).
        ASSERT_EQ(files.size(), size_t(kKeep));
        ASSERT_FALSE(files[0].frameCodes.size() < 2 || files[1].frameCodes.empty());
        EXPECT_TRUE(follows(files[0].frameCodes.back(), files[1].frameCodes.front()));
        if (c.format == QString("ts")) { // its files carry the stream's running time
            EXPECT_EQ(files[1].pictureTimes.front() - files[0].pictureTimes.back(),
                      files[0].pictureTimes[1] - files[0].pictureTimes[0]);
        }
        if (c.format != QString("ts")) {
            const QString first = probe(kept[0]).timecode, second = probe(kept[1]).timecode;
            EXPECT_EQ(timecodeFrames(second) - timecodeFrames(first), int64_t(files[0].frameCodes.size()))
                << first.toStdString() << " then " << second.toStdString();
            if (c.format == QString("mxf")) {
                EXPECT_EQ(files[1].gopTimecode, second) << "the GOP headers carry the file's timecode";
            }
        }
    }
}

TEST(LiveRecording, RefusesAMissingFolderAndBadOptions) {
    QTemporaryDir scratch;
    const QString missing = scratch.filePath("no such folder");
    const QString folder = scratch.path();
    for (const QStringList& args :
         {QStringList{missing, "--format", "mxf"}, QStringList{folder},
          QStringList{folder, "--format", "avi"}, QStringList{folder, "--format", "ts", "--keep", "0"},
          QStringList{folder, "--format", "ts", "--file-minutes", "0"},
          QStringList{folder, "--format", "ts", "--segment-seconds", "-1"},
          QStringList{folder, "--format", "mp4", "--name", "../escape"}}) {
        SCOPED_TRACE(args.join(' ').toStdString());
        QProcess p;
        p.start(MAKE_SAMPLES_PROGRAM, QStringList{"live", "--small"} + args);
        ASSERT_TRUE(p.waitForFinished(30'000));
        EXPECT_EQ(p.exitCode(), 2);
        if (args[0] == missing) {
            EXPECT_TRUE(p.readAllStandardError().contains("no such folder"));
        }
    }
    EXPECT_TRUE(QDir(folder).isEmpty()) << "nothing written";
    EXPECT_FALSE(QFileInfo::exists(missing));
}

} // namespace
} // namespace samples
