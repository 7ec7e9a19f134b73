#pragma once
// Draws a caption screen over a picture in the usual 608 manner: white monospaced text on black boxes,
// 15 rows by 32 columns inside the central 80% of the picture (the caption safe area), font scaled
// with the picture. Leading blanks of a row indent it by whole columns. Any thread; no shared state.
#include <QPainter>
#include <QRect>

#include "core/MediaSink.h"

namespace engine::ff {

void drawCaptions(QPainter& painter, const QRect& picture, const CaptionScreen& screen);

} // namespace engine::ff
