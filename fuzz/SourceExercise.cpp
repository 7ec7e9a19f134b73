#include "SourceExercise.h"

#include <thread>

#include "core/ObjectMakers.h"
#include "engine/Interfaces.h"

void exerciseSourceFile(const QString& path) {
    using namespace engine;
    auto source = ff::makeFileSource();
    auto file = query<IMFile>(source);
    if (!file)
        return;
    file->OpenName(path, "");
    for (QString opening = "true"; opening == "true";) { // opening runs on the source's own thread
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        query<IMProps>(source)->GetProp("opening", opening);
    }
    int state = 0;
    query<IMObject>(source)->GetState(state);
    if (state != 0) {
        double in = 0, out = 0, duration = 0;
        file->GetInOut(in, out, duration);
        file->PlayFile();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        file->SetPosition(duration / 2, 0);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        file->SetPosition(0, 0);
    }
}
