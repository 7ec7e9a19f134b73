// The kept corpus of damaged clips (fuzz/corpus): each opens with an error or plays what it can,
// through the reader and through the whole source object; none crashes or hangs. Also the damage the
// fuzzer found, case by case.
#include <gtest/gtest.h>

#include <QDir>
#include <cmath>
#include <thread>
#include <vector>

#include "EngineHarness.h"
#include "SourceExercise.h"
#include "source/AudioMerger.h"

using namespace engine;
using namespace enginetest;

TEST(BrokenFiles, DamagedClipsFailCleanlyOrPlayWhatTheyCan) {
    const QDir corpus(QStringLiteral(VELTRA_FUZZ_CORPUS));
    const QStringList files = corpus.entryList(QDir::Files);
    ASSERT_FALSE(files.isEmpty());
    Engine eng;
    TestSurface surface;
    auto src = eng.source();
    auto r = eng.renderer(src, surface);
    for (const QString& name : files) {
        SCOPED_TRACE(name.toStdString());
        const QString path = corpus.filePath(name);
        exerciseSourceFile(path);
        if (!openClip(src, path, "")) {
            EXPECT_EQ(stateOf(src), 0);
            continue;
        }
        src->SetPosition(0.3, 0);
        src->PlayFile();
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        src->SetPosition(0, 0);
        EXPECT_GE(stateOf(src), 1);
    }
    src->OpenName("", "");
    EXPECT_EQ(stateOf(src), 0);
}

// A damaged audio timestamp far ahead is a discontinuity (the samples follow on), never hours of silence
// to buffer; a short gap is still filled with silence so that the streams stay in line.
TEST(BrokenFiles, AudioTimestampsFarAheadFollowOnInsteadOfBufferingSilence) {
    struct Case {
        const char* name;
        double second; // position of the second block of 1024 frames, after one at 0
        int64_t frames;
    };
    const std::vector<float> block(1024, 0.5f);
    for (const Case& c : {Case{"half a second later", 0.5, 24000 + 1024}, Case{"an hour later", 3600, 2048},
                          Case{"beyond any clip", 1e300, 2048}, Case{"not a number", NAN, 2048}}) {
        SCOPED_TRACE(c.name);
        ff::AudioMerger merger;
        merger.configure({1});
        merger.reset(0);
        merger.push(0, 0, block.data(), 1024);
        merger.push(0, c.second, block.data(), 1024);
        merger.endAll();
        int64_t pulled = 0;
        for (auto b = merger.pull(); b && pulled <= c.frames; b = merger.pull())
            pulled += b->frames();
        EXPECT_EQ(pulled, c.frames);
    }
}
