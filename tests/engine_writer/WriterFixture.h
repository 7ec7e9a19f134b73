#pragma once
// A real writer fed by the test feeder, writing into a private folder, and the export sequence the
// export job performs: show the in frame, run, attach the writer, play the range, stop, close.
#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include "OutputProbe.h"
#include "TestFeeder.h"
#include "WriterOutcome.h"
#include "engine/EngineFactory.h"
#include "engine_ffmpeg/FfmpegEngine.h"

namespace writertest {

struct Outcome {
    int ok = -1;
    QString text;
};

class WriterFixture : public ::testing::Test {
  protected:
    std::unique_ptr<IEngineFactory> factory = engine::ff::makeFfmpegEngine();
    MRef<IMWriter> writer = create<IMWriter>(*factory, CLSID_FileWriter);
    TestFeeder* feeder = new TestFeeder;
    MRef<IMObject> source = MRef<IMObject>::share(feeder);
    QTemporaryDir dir;

    QString file(const QString& name) const { return dir.filePath(name); }
    QStringList folderEntries() const { return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden); }

    Outcome result() {
        Outcome o;
        writer->GetRecordingResult(o.ok, o.text);
        return o;
    }
    int start(int64_t in) {
        feeder->present(in);
        feeder->setState(3);
        return query<IMObject>(writer)->StartFrom(source.get());
    }
    Outcome finish() {
        feeder->setState(1);
        query<IMObject>(writer)->CloseObject();
        testsupport::waitForOutcome(*writer);
        return result();
    }
    // The whole export of frames [in, in + frames).
    Outcome exportRange(const QString& target, const QString& params, int64_t in, int frames) {
        if (writer->SetTarget(target, params) != kOk)
            return result();
        if (start(in) != kOk)
            return result();
        feeder->play(frames);
        return finish();
    }
};

} // namespace writertest
