#pragma once
// A frame-exact export of [in, out) of a clip that keeps the source's own coded pictures wherever the
// stream allows a splice, re-encoding only the head before the first splice point and the tail after the
// last one (or the whole span when nothing can be copied). Audio is cut at the sample.
#include <QString>
#include <cstdint>

extern "C" {
#include <libavformat/avformat.h>
}

namespace engine::ff {

struct CutRequest {
    QString source;
    QString target;
    const AVOutputFormat* muxer = nullptr;
    int64_t in = 0, out = 0; // frames from the clip's first frame, display order
};

struct CutOutcome {
    bool ok = false;
    bool copied = false; // the source's packets were copied for part of the span
    int64_t frames = 0;
    QString text; // the error, or what was written and which way
};

CutOutcome smartCut(const CutRequest& request);

} // namespace engine::ff
