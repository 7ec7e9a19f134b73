#pragma once
// Recordings as an ingest writes them live, for tests of files still being written.
#include <QString>
#include <cstdint>

namespace enginetest {

struct RemuxOptions {
    const char* movflags = nullptr; // for the MP4 muxer
    double shiftSeconds = 0;        // added to every timestamp
    // Written as an ordinary file (an MP4 gets its index at the end); otherwise through a write-only
    // output that cannot seek, as a live ingest writes.
    bool seekable = false;
};

// Re-muxes `input` (stream copy) to `output` as `format` ("mxf", "mpegts", "mp4"). Through an output that
// cannot seek nothing written is ever rewritten (no MXF header update). Throws std::runtime_error on
// failure.
void remuxAsLive(const QString& input, const QString& output, const char* format, const RemuxOptions& options = {});

// Makes `copy` the first `bytes` bytes of `path`, the file as it was while being written: writes it, or
// appends to a shorter copy as the writer would.
void copyPrefix(const QString& path, int64_t bytes, const QString& copy);

} // namespace enginetest
