#pragma once
// Turns a decoded picture into the surface's image: scaled to fit (letter-boxed with the display aspect
// ratio, sample aspect ratio included, or stretched), converted with the picture's colour matrix.
#include <QImage>
#include <QRect>
#include <QSize>

#include "core/AvPtr.h"
#include "core/MediaSink.h"

namespace engine::ff {

class FrameCompositor {
  public:
    enum class Fields { Both, First, Top };
    // The picture on a black image of `surface`; `area` receives where the picture landed. With
    // `fields` other than Both an interlaced picture is shown from one field (no combing).
    QImage compose(const AVFrame& picture, AVRational sampleAspect, QSize surface, bool letterBox,
                   Fields fields, bool topFieldFirst, QRect& area);
    static QImage black(QSize surface);
    // Where a picture of display aspect `dar` lands on `surface` when letter-boxed.
    static QRect fitRect(double dar, QSize surface);

  private:
    struct Conversion {
        int width = 0, height = 0;
        AVPixelFormat format = AV_PIX_FMT_NONE;
        QSize to;
        bool operator==(const Conversion&) const = default;
    };
    SwsContext* scaler(int width, int height, AVPixelFormat format, QSize to);

    SwsPtr sws_;
    Conversion conversion_;
};

} // namespace engine::ff
