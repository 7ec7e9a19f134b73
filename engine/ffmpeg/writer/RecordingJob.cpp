#include "writer/RecordingJob.h"
#include "engine/OperatorTexts.h"

namespace engine::ff {

void RecordingJob::end() {
    if (!ended_.exchange(true))
        endOnce();
}

void RecordingJob::abandon() {
    abandoned_ = true;
    end();
}

RecordingOutcome RecordingJob::outcome() const {
    std::lock_guard lock(mutex_);
    return outcome_;
}

void RecordingJob::conclude(RecordingOutcome outcome) {
    {
        std::lock_guard lock(mutex_);
        outcome_ = abandoned() ? abandonedOutcome() : std::move(outcome);
    }
    finished_ = 1.0;
    done_ = true;
}

RecordingOutcome RecordingJob::abandonedOutcome() {
    return {false, texts::exportAbandoned()};
}

} // namespace engine::ff
