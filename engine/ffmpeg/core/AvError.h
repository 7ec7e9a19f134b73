#pragma once
// The one place that turns FFmpeg status codes into text: the operator's language where the catalogue has
// the cause, FFmpeg's own words otherwise.
#include <QString>
#include <system_error>

#include "engine/OperatorTexts.h"

extern "C" {
#include <libavutil/error.h>
}

namespace engine::ff {

inline QString avErrorText(int code) {
    switch (code) {
    case AVERROR_INVALIDDATA:
        return texts::invalidDataCause();
    case AVERROR_EOF:
        return texts::endOfFileCause();
    case AVERROR_OPTION_NOT_FOUND:
        return texts::optionNotFoundCause();
    case AVERROR_ENCODER_NOT_FOUND:
        return texts::encoderNotFoundCause();
    case AVERROR_DECODER_NOT_FOUND:
        return texts::decoderNotFoundCause();
    case AVERROR_PATCHWELCOME:
        return texts::notImplementedCause();
    case AVERROR_EXTERNAL:
        return texts::externalLibraryCause();
    default:
        break;
    }
    if (code < 0)
        if (QString cause = texts::systemFailureCause(AVUNERROR(code)); !cause.isEmpty())
            return cause;
    char buf[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, buf, sizeof buf);
    return QString::fromUtf8(buf);
}

// The same for a failure the C++ library reports (file renames and the like).
inline QString systemErrorText(const std::error_code& ec) {
    if (const std::error_condition c = ec.default_error_condition(); c.category() == std::generic_category())
        if (QString cause = texts::systemFailureCause(c.value()); !cause.isEmpty())
            return cause;
    return QString::fromStdString(ec.message());
}

} // namespace engine::ff
