#pragma once
// The 33 ms poll of the file source: moves the position bar, writes the position and duration counters,
// keeps PlayPosition, and hands the source's state to the export's completion check.
#include <QString>
#include <functional>

#include "windowstate/PlayerFields.h"
#include "widgets/Services.h"

class QLabel;
namespace widgets {
class PositionBar;
}

namespace playback {

struct PositionDisplayControls {
    widgets::PositionBar* TBPlay;
    QLabel* TempoAtual;
    QLabel* LblDuracao;
};

class PositionDisplay {
  public:
    // `sourceStateRead` receives the file source's state code at the end of each tick (the export's
    // completion check).
    PositionDisplay(PositionDisplayControls controls, PlayerFields& fields, services::Services services,
                    std::function<void(int state)> sourceStateRead);

    void TimerPlayTimer();

    // Timecode HH:MM:SS:FF at 30 frames per second.
    static QString FormataTimecode(double seconds);

  private:
    void poll();

    PositionDisplayControls ui_;
    PlayerFields& fields_;
    services::Services services_;
    std::function<void(int)> sourceStateRead_;
    // True while the tick's error box is open: the timer goes on, but one box is enough.
    bool reportingError_ = false;
};

} // namespace playback
