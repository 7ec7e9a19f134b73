// veltra-bench-handlers list DIR: milliseconds to re-read a channel folder with the video mask (best of 5).
// veltra-bench-handlers tick CLIP: median microseconds of one position-display tick against the real
// engine while CLIP plays.
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <exception>
#include <vector>

#include "engine_ffmpeg/FfmpegEngine.h"
#include "library/ClipMasks.h"
#include "playback/PositionDisplay.h"
#include "widgets/ClipList.h"
#include "widgets/PositionBar.h"
#include "widgets/QtServices.h"

namespace {

int listFolder(const QString& folder) {
    widgets::ClipList list;
    list.setMask(library::kVideoMask);
    list.setDirectory(folder);
    double best = 1e30;
    for (int run = 0; run < 5; ++run) {
        QElapsedTimer clock;
        clock.start();
        list.reread();
        best = std::min(best, clock.nsecsElapsed() / 1e6);
    }
    std::printf("%.3f %d\n", best, int(list.count()));
    return 0;
}

int tickWhilePlaying(const QString& clip) {
    using namespace engine;
    const std::unique_ptr<IEngineFactory> factory = ff::makeFfmpegEngine();
    PlayerFields fields;
    fields.m_pFile = create<IMFile>(*factory, CLSID_FileSource);
    fields.m_FileObj = query<IMObject>(fields.m_pFile);
    fields.m_pFile->OpenName(clip, QStringLiteral("loop=false"));
    fields.m_pFile->PlayFile();

    QWidget window;
    auto* bar = new widgets::PositionBar(&window);
    auto* position = new QLabel(&window);
    auto* duration = new QLabel(&window);
    services::QtServices platform;
    playback::PositionDisplay display({bar, position, duration}, fields, platform.view(), [](int) {});
    std::vector<double> micros;
    for (int i = 0; i < 90; ++i) {
        QElapsedTimer clock;
        clock.start();
        display.TimerPlayTimer();
        micros.push_back(clock.nsecsElapsed() / 1e3);
        QApplication::processEvents();
        QThread::msleep(33);
    }
    std::sort(micros.begin(), micros.end());
    std::printf("%.3f\n", micros[micros.size() / 2]);
    fields.m_FileObj->CloseObject();
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    try {
        if (args.size() == 2 && args[0] == "list")
            return listFolder(args[1]);
        if (args.size() == 2 && args[0] == "tick")
            return tickWhilePlaying(args[1]);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "veltra-bench-handlers: %s\n", e.what());
        return 1;
    }
    std::fprintf(stderr, "usage: veltra-bench-handlers list DIR | tick CLIP\n");
    return 2;
}
