#pragma once
// Turns a decoded picture into the surface's image: scaled to fit (letter-boxed with the display aspect
// ratio, sample aspect ratio included, or stretched), converted with the picture's colour matrix.
#include <QImage>
#include <QSize>

#include "core/AvPtr.h"
#include "core/MediaSink.h"

namespace engine::ff {

class FrameCompositor {
public:
    // `picture` must already be in a planar/packed YUV or RGB format swscale reads.
    QImage compose(const AVFrame& picture, AVRational sampleAspect, QSize surface, bool letterBox);
    static QImage black(QSize surface);
    // Where a picture of display aspect `dar` lands on `surface` when letter-boxed.
    static QRect fitRect(double dar, QSize surface);

private:
    SwsPtr sws_;
};

}  // namespace engine::ff
