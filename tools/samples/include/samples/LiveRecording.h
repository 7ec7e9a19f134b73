#pragma once
// A recording written in real time, as an ingest server writes one: a pre-encoded segment of sample
// pictures and sound is re-written packet by packet at its own pace (no encoding while it runs), in
// files of a fixed length with a continuous timecode, keeping only the newest few of them.
#include "samples/SampleClips.h"

#include <QString>
#include <atomic>
#include <functional>

namespace samples {

enum class LiveFormat {
    Mxf, // MXF OP1a: MPEG-2 4:2:2 interlaced, 16 mono PCM tracks (header first, body partitions grow)
    Ts,  // MPEG-TS: interlaced H.264 (a GOP a second) and MP2 stereo
    Mp4, // fragmented MP4 (a fragment of 0.64 s, one GOP): H.264 without B pictures and AAC stereo
};
// "mxf", "ts" or "mp4"; throws std::invalid_argument for anything else.
LiveFormat liveFormatNamed(const QString& name);

struct LiveOptions {
    QString folder; // must exist; nothing is written anywhere else
    LiveFormat format = LiveFormat::Mxf;
    double fileMinutes = 10; // a new file at the first key picture after this much media time
    int keepFiles = 6;       // at most this many of this run's files stay on disk (the open one included)
    QString prefix = "live"; // files are named PREFIX_yyyyMMdd_HHmmss.ext (local time at their start)
    InputSize size = InputSize::Full;
    // The repeated stretch lasts this long or a little more (whole GOPs and audio packets; from 10 s on
    // also whole seconds, so the flash keeps its beat). The burnt-in frame code and timecode count
    // from 0 in each repetition.
    double segmentSeconds = 10;
};

// One line a file: "started PATH", "finished PATH" (trailer written), "removed PATH".
using LiveReport = std::function<void(const QString& line)>;

// Writes until `stop` is set, then finishes the open file and returns. The first file's timecode is the
// time of day when writing starts; each file's starts where the previous one ended. Bad options throw
// std::invalid_argument, failures std::runtime_error (the open file is then left without its trailer).
void runLiveRecording(const LiveOptions& options, const std::atomic<bool>& stop, const LiveReport& report);

} // namespace samples
