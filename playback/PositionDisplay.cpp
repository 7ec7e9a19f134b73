#include "playback/PositionDisplay.h"

namespace playback {

PositionDisplay::PositionDisplay(PositionDisplayControls controls, PlayerFields& fields,
                                 services::Services services, std::function<void(int)> sourceStateRead)
    : ui_(controls), fields_(fields), services_(services), sourceStateRead_(std::move(sourceStateRead)) {}

void PositionDisplay::TimerPlayTimer() {}

QString PositionDisplay::FormataTimecode(double) {
    return QStringLiteral("00:00:00:00");
}

} // namespace playback
