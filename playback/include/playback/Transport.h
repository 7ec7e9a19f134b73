#pragma once
// Play, pause, stop, the relative steps, the jumps, the speed and seeking with the position bar, all on
// the window's file source.
#include "windowstate/PlayerFields.h"

namespace widgets {
class CheckBox;
class ClipList;
class PositionBar;
class RadioGroup;
} // namespace widgets

namespace playback {

struct TransportControls {
    widgets::ClipList* FileList;
    widgets::RadioGroup* RGSpeedPlay;
    widgets::PositionBar* TBPlay;
    widgets::CheckBox* checkBoxAudio;
};

class Transport {
  public:
    Transport(TransportControls controls, PlayerFields& fields);

    void BtPlayClick();
    void BtPausaClick();
    void BtStopClick();
    void PauseExecute();
    void ForwardExecute();
    void RewindExecute();
    void FFWExecute();
    void REWExecute();
    void GoStartExecute();
    void GoEndExecute();
    void RGSpeedPlayClick();
    void TBPlayChange();
    void TBPlayMouseDown();
    void TBPlayMouseUp();

  private:
    // Seeks by `seconds` from the current position.
    void step(double seconds);
    // Moves the bar to `position` as if the operator had dragged it there.
    void jumpBar(int position);

    TransportControls ui_;
    PlayerFields& fields_;
};

} // namespace playback
