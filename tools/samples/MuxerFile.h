#pragma once
// A muxer with the file it writes: the file is closed in every case, the trailer written only by its
// user on success.
#include "AvPtr.h"

namespace samples {

struct MuxerFile {
    engine::ff::AVOutputPtr ctx;
    bool fileOpen = false;
    MuxerFile() = default;
    MuxerFile(const MuxerFile&) = delete;
    MuxerFile& operator=(const MuxerFile&) = delete;
    ~MuxerFile() {
        if (fileOpen)
            avio_closep(&ctx->pb);
    }
};

} // namespace samples
