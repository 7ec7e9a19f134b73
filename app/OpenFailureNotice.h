#pragma once
// A clip that failed to open says why in the status strip, above the clip selected and below an export's
// progress, until a clip is opened again (the next PLAY).
#include "engine/Interfaces.h"

namespace widgets {
class StatusStrip;
}

// Run at every timer tick with the file source's state code. The reason arrives a moment after PLAY (the
// source opens on a thread of its own) and stays when the source lets it go (another clip chosen).
void showOpenFailure(engine::IMFile& source, int sourceState, widgets::StatusStrip& strip);
// Run at PLAY: the clip about to open has failed nothing yet.
void forgetOpenFailure(widgets::StatusStrip& strip);
