#pragma once
// A writer finishes its file after CloseObject on a thread of its own: tests that read the outcome wait
// for it first, the way the export job's timer does.
#include <chrono>
#include <thread>

#include "engine/Interfaces.h"

namespace testsupport {

// Returns once the writer's last recording has its outcome (or after a minute, when something hangs).
inline void waitForOutcome(engine::IMWriter& writer) {
    for (int i = 0; i < 60000; ++i) {
        int stage = 0;
        double fraction = 0;
        writer.GetRecordingProgress(stage, fraction);
        if (stage == 0)
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

} // namespace testsupport
