#pragma once
// Turns the text FFmpeg's subtitle decoders hand out (ASS dialogue events, or plain text) into caption
// rows: override tags ({\...}) removed, \N line breaks honoured, the lines placed on the bottom rows of
// a 15-row caption screen.
#include <QString>

#include "core/MediaSink.h"

namespace engine::ff {

inline constexpr int kCaptionRows = 15;

// assEvent: "ReadOrder,Layer,Style,Name,MarginL,MarginR,MarginV,Effect,Text" as in AVSubtitleRect::ass.
QString textOfAssEvent(const QString& assEvent);
// Text with "\n" separated lines onto the bottom rows; more lines than rows keeps the last ones.
CaptionScreen screenFromText(const QString& text);

} // namespace engine::ff
