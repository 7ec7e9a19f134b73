// veltra-make-samples as the start script calls it: the given day and the day before, or a usage error.
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

int runProgram(const QStringList& args) {
    QProcess p;
    p.start(MAKE_SAMPLES_PROGRAM, args);
    if (!p.waitForFinished(120'000))
        return -1;
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

TEST(MakeSamplesProgram, WritesTheDayAndTheDayBefore) {
    QTemporaryDir root;
    ASSERT_EQ(runProgram({root.filePath("Ingest"), "--date", "2025-03-01", "--small"}), 0);
    for (const char* day : {"2025/03/01", "2025/02/28"})
        EXPECT_EQ(
            QDir(root.filePath(QString("Ingest/") + day)).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size(),
            4)
            << day;
}

TEST(MakeSamplesProgram, BadArgumentsGiveUsageErrors) {
    QTemporaryDir root;
    for (const QStringList& args : {QStringList{}, QStringList{root.path(), "--date", "2025-02-30"},
                                    QStringList{root.path(), "--date"}, QStringList{root.path(), "extra"}}) {
        EXPECT_EQ(runProgram(args), 2) << args.join(' ').toStdString();
    }
    EXPECT_TRUE(QDir(root.path()).isEmpty());
}

} // namespace
