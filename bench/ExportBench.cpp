// Exports [in, out) of a clip through the engine's file writer with rate control, the way the export job
// does, and reports the outcome. The clip is played by the engine's file source; a build without one
// plays it with the bench's own decoder instead.
//   veltra-bench-export INPUT OUTPUT IN OUT PARAMS
#include <QCoreApplication>
#include <chrono>
#include <cstdio>
#include <thread>

#include "DecodeFeeder.h"
#include "engine/EngineFactory.h"
#include "engine_ffmpeg/FfmpegEngine.h"

using namespace engine;

namespace {

// As the export job's tick: the writer's progress is asked while the source runs.
void waitWhileRunning(IMObject& source, IMWriter& writer) {
    for (int state = 3; state == 3;) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        int stage = 0;
        double fraction = 0;
        writer.GetRecordingProgress(stage, fraction);
        state = 0;
        source.GetState(state);
    }
}

bool playThroughFileSource(IEngineFactory& factory, IMObject& writer, const QString& input, double in,
                           double out) {
    MRef<IMUnknown> sourceObj;
    try {
        sourceObj = factory.CreateObject(CLSID_FileSource);
    } catch (const EngineError& e) {
        std::fprintf(stderr, "no file source (%s): using the bench decoder\n", e.what());
        return false;
    }
    auto file = query<IMFile>(sourceObj);
    auto source = query<IMObject>(sourceObj);
    auto props = query<IMProps>(sourceObj);
    props->SetProp("eof_stop", "true");
    props->SetProp("loop", "false");
    props->SetProp("active_frc", "false");
    file->OpenName(input, "");
    file->StopFile(0.0);
    file->SetInOut(in, out);
    file->SetPosition(in, 0.0);
    file->PlayFile();
    writer.StartFrom(source.get());
    waitWhileRunning(*source, *query<IMWriter>(&writer));
    source->CloseObject();
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 6) {
        std::fprintf(stderr, "usage: %s INPUT OUTPUT IN OUT PARAMS\n", argv[0]);
        return 2;
    }
    QCoreApplication app(argc, argv);
    const QString input = QString::fromLocal8Bit(argv[1]);
    const double in = std::atof(argv[3]), out = std::atof(argv[4]);
    auto factory = ff::makeFfmpegEngine();
    auto writer = create<IMWriter>(*factory, CLSID_FileWriter);
    auto writerObj = query<IMObject>(writer);
    query<IMProps>(writer)->SetProp("rate_control", "true");
    query<IMProps>(writer)->SetProp("pull_mode", "false");
    if (writer->SetTarget(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[5])) == kOk &&
        !playThroughFileSource(*factory, *writerObj, input, in, out)) {
        auto* feeder = new bench::DecodeFeeder;
        MRef<IMObject> source = MRef<IMObject>::share(feeder);
        if (QString error = feeder->open(input); !error.isEmpty()) {
            std::fprintf(stderr, "%s\n", qPrintable(error));
            return 1;
        }
        writerObj->StartFrom(source.get());
        feeder->play(in, out);
    }
    writerObj->CloseObject();
    // The file is finished on the writer's own thread: the export is over once its outcome is in.
    for (int stage = 1; stage != 0;) {
        double fraction = 0;
        writer->GetRecordingProgress(stage, fraction);
        if (stage != 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    int ok = 0;
    QString text;
    writer->GetRecordingResult(ok, text);
    std::fprintf(ok ? stdout : stderr, "%s\n", qPrintable(text));
    return ok ? 0 : 1;
}
