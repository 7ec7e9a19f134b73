#pragma once
// A clip that failed to open says why in the status strip, above an export's progress and the clip
// selected, until a clip is opened again (the next PLAY).
#include "engine/Interfaces.h"

namespace widgets {
class StatusStrip;
}

// Run at every timer tick with the file source's state code.
void showOpenFailure(engine::IMFile& source, int sourceState, widgets::StatusStrip& strip);
