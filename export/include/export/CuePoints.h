#pragma once
// The in and out points of the segment to export, their counters, and going to either point.
#include "windowstate/PlayerFields.h"
#include "widgets/Services.h"

class QLabel;
namespace widgets {
class BitmapButton;
}

namespace clipexport {

struct CuePointsControls {
    QLabel* Lblcue_in;
    QLabel* Lblcue_out;
    QLabel* LblParcial;
    widgets::BitmapButton* BtExportar;
};

class CuePoints {
  public:
    CuePoints(CuePointsControls controls, PlayerFields& fields, services::Services services);

    void BtCueInClick();
    void btCueOutClick();
    void BTGoInClick();
    void BtGoOutClick();
    void CueINExecute();
    void CueOutExecute();

  private:
    // Pauses the file source at `position` (0, an unmarked point, is the start of the clip).
    void goTo(double position);

    CuePointsControls ui_;
    PlayerFields& fields_;
    services::Services services_;
};

} // namespace clipexport
