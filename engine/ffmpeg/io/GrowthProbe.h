#pragma once
// What a container tells about a file still being written: whether its writer finished it (the MXF
// footer, the final index of an MP4), how far its pictures reach on disk now, and where to start
// reading for a time in the part written after the file was opened (FFmpeg's own index stops at what it
// saw on open). One probe per opened file; used by the file's demux thread only.
#include <cstdint>
#include <memory>
#include <optional>

#include "engine_ffmpeg/ByteSource.h"

struct AVFormatContext;

namespace engine::ff {

struct GrownSeekPoint {
    int64_t pos = 0;     // file offset where reading starts (a packet or content package boundary)
    double seconds = 0;  // container time (seconds, the streams' own time line) of the key picture there
    // The time of what starts at `pos`: for MXF the content package's edit unit, which its sound starts
    // at and MxfPacketTimes::restartAt takes; the key picture is shown later than that in an open group
    // of pictures (after the leading pictures coded after it). Elsewhere the same as `seconds`.
    double packageSeconds = 0;
};

class GrowthProbe {
  public:
    virtual ~GrowthProbe() = default;
    // The probe for the opened container (its demuxer named by fmt->iformat->name); never null (a
    // container ingest does not write while recording counts as complete).
    static std::unique_ptr<GrowthProbe> forFormat(const AVFormatContext& fmt);

    // The writer finished the file: its footer or final index is on disk (`size` bytes).
    virtual bool complete(ByteSource& bytes, int64_t size) = 0;
    // As complete, looking only at the file's ends (on open, which must not read a long recording through).
    virtual bool finishedByItsEnds(ByteSource& bytes, int64_t size) { return complete(bytes, size); }
    // endSeconds reads the file through the first time (MXF: its partitions are walked), which is left to
    // the demuxing thread.
    virtual bool walksToItsEnd() const { return false; }
    // Container time (seconds) of the end of the last whole picture among the first `size` bytes, or
    // nothing when it cannot be told.
    virtual std::optional<double> endSeconds(ByteSource& bytes, int64_t size) = 0;
    // Where to read from to show the picture at `seconds` (container time) when it lies beyond what
    // FFmpeg indexed on open: the last key picture at or before it. Nothing: let FFmpeg seek.
    // MXF: for any time in the file (FFmpeg reads no index from a file without its footer). MPEG-TS: for
    // key pictures in the last 16 MB (FFmpeg's own seek lands on any picture near the time, and near
    // the live edge the next key picture may not be written yet). MP4: nothing (FFmpeg's demuxer refuses
    // byte seeks and knows the fragments that were on disk when it was opened: opened again, it knows them
    // all).
    virtual std::optional<GrownSeekPoint> seekPoint(ByteSource& bytes, int64_t size, double seconds) {
        (void)bytes, (void)size, (void)seconds;
        return std::nullopt;
    }
};

// An MP4 still being written without fragments: a media data box on disk and no movie box yet, so
// nothing tells where its pictures are until the writer finishes it.
bool mp4WithoutIndex(ByteSource& bytes, int64_t size);

} // namespace engine::ff
