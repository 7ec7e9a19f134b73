// The kept corpus of damaged clips (fuzz/corpus): each opens with an error or plays what it can,
// through the reader and through the whole source object; none crashes or hangs.
#include <gtest/gtest.h>

#include <QDir>
#include <thread>

#include "EngineHarness.h"
#include "SourceExercise.h"

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
        if (src->OpenName(path, "") != kOk) {
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
