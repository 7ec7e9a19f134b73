#pragma once
// A frame-exact export of [in, out) of a clip that keeps the source's own coded pictures wherever the
// stream allows a splice, re-encoding only the head before the first splice point and the tail after the
// last one (or the whole span when nothing can be copied). Audio is cut at the sample. The file is
// written as its packets are ready, video and sound interleaved: memory does not grow with the span.
#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

#include "smartcut/AudioSpan.h"

extern "C" {
#include <libavformat/avformat.h>
}

namespace engine::ff {

// The export's sound in place of the source's own audio streams: given the exported span of the clip's
// time line (0 = the first frame), fills `out` with streams cut to exactly that span.
using CutSound = std::function<QString(double fromSeconds, double toSeconds, std::vector<AudioSpan>& out)>;

struct CutRequest {
    QString source;
    QString target;
    const AVOutputFormat* muxer = nullptr;
    int64_t in = 0, out = 0; // frames from the clip's first frame, display order
    // When set, the range as the file source holds it, in seconds from the first frame, instead of
    // in/out: from the frame shown at the in point to the last frame that starts before the out point
    // (an out point at or before the in point: to the clip's end).
    bool bySeconds = false;
    double inSeconds = 0, outSeconds = 0;
};

struct CutOutcome {
    bool ok = false;
    bool copied = false; // the source's packets were copied for part of the span
    int64_t frames = 0;
    QString text; // the error, or what was written and which way
};

// Lets the writer follow a cut and stop it: `progress` is told how much is done (0..1) as the file is
// written; once `abandoned` answers true the cut stops and leaves nothing behind.
struct CutControl {
    std::function<void(double)> progress = [](double) {};
    std::function<bool()> abandoned = [] { return false; };
};

// `sound` empty: each of the source's audio streams, cut at the sample.
CutOutcome smartCut(const CutRequest& request, const CutSound& sound = {}, const CutControl& control = {});

} // namespace engine::ff
