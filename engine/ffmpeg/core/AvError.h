#pragma once
// The one place that turns FFmpeg status codes into text.
#include <QString>

extern "C" {
#include <libavutil/error.h>
}

namespace engine::ff {

inline QString avErrorText(int code) {
    char buf[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, buf, sizeof buf);
    return QString::fromUtf8(buf);
}

}  // namespace engine::ff
