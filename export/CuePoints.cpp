#include "export/CuePoints.h"

namespace clipexport {

CuePoints::CuePoints(CuePointsControls controls, PlayerFields& fields, services::Services services)
    : ui_(controls), fields_(fields), services_(services) {}

void CuePoints::BtCueInClick() {}
void CuePoints::btCueOutClick() {}
void CuePoints::BTGoInClick() {}
void CuePoints::BtGoOutClick() {}
void CuePoints::CueINExecute() {}
void CuePoints::CueOutExecute() {}

} // namespace clipexport
