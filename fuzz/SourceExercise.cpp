#include "SourceExercise.h"

#include <thread>

#include "core/ObjectMakers.h"
#include "engine/Interfaces.h"

void exerciseSourceFile(const QString& path) {
    using namespace engine::ff;
    auto source = makeFileSource();
    auto* file = static_cast<engine::IMFile*>(source->QueryInterface(engine::IMFile::IID));
    if (!file)
        return;
    if (file->OpenName(path, "") == engine::kOk) {
        double in = 0, out = 0, duration = 0;
        file->GetInOut(in, out, duration);
        file->PlayFile();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        file->SetPosition(duration / 2, 0);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        file->SetPosition(0, 0);
    }
    file->Release();
}
