#pragma once
// Timecode text and the position bar's value, both computed from seconds as the engine reports them.
#include <QString>

namespace playback {

// HH:MM:SS:FF at 30 frames per second; each field has at least two digits, a negative field keeps its
// sign ("-05"), hours do not wrap. A frame field that rounds up to 30 carries into the seconds. A value
// that is not a finite number gives 00:00:00:00.
QString formatTimecode(double seconds);

// 1000 x fraction rounded to the nearest integer, halves to the even one, kept within [0, 1000];
// a product that is not a finite number gives 0.
int barPosition(double fraction);

} // namespace playback
