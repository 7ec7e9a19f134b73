#pragma once
// Recordings as an ingest writes them live, for tests of files still being written.
#include <QString>
#include <cstdint>

namespace enginetest {

// Re-muxes `input` (stream copy) to `output` as `format` ("mxf", "mpegts", "mp4") through a write-only
// output that cannot seek, so nothing written is ever rewritten (no MXF header update, no index at the
// front). `movflags` goes to the MP4 muxer; every timestamp is moved by `shiftSeconds`. Throws
// std::runtime_error on failure.
void remuxAsLive(const QString& input, const QString& output, const char* format, const char* movflags = nullptr,
                 double shiftSeconds = 0);

// Copies the first `bytes` bytes of `path` to `copy`: the file as it was while being written.
void copyPrefix(const QString& path, int64_t bytes, const QString& copy);

} // namespace enginetest
