#pragma once
// The pre-encoded stretch of pictures and sound that the live mode repeats: its streams and its packets,
// grouped by GOP so that a file can start at any GOP and a repetition follows the last one seamlessly.
#include "samples/LiveRecording.h"

#include "AvPtr.h"

#include <memory>
#include <vector>

namespace samples::live {

struct CodecParametersFree {
    void operator()(AVCodecParameters* p) const { avcodec_parameters_free(&p); }
};
using CodecParametersPtr = std::unique_ptr<AVCodecParameters, CodecParametersFree>;

struct SegmentStream {
    CodecParametersPtr parameters;
    AVRational timeBase{0, 1};
    // The segment's length in this stream's time base: what each repetition adds to its timestamps.
    int64_t length = 0;
};

struct Segment {
    // Stream 0 is the video; the others are audio.
    std::vector<SegmentStream> streams;
    AVRational frameRate{0, 1};
    int timecodeRate = 0;
    int64_t frames = 0;
    // Every GOP's packets in writing order, with timestamps counted from the segment's first picture
    // (which is at 0). GOPs are closed: none refers to pictures of another.
    std::vector<std::vector<engine::ff::AVPacketPtr>> gops;
    // Presentation time of each GOP's first picture, in the video time base.
    std::vector<int64_t> gopStarts;

    const SegmentStream& video() const { return streams[0]; }
};

// Encodes the segment for the format (in a temporary folder removed before returning) and reads it back.
// It lasts `seconds` or a little more: whole GOPs and whole audio packets (and whole seconds from 10 s on).
Segment makeSegment(LiveFormat format, InputSize size, double seconds);

} // namespace samples::live
