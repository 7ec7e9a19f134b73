#pragma once
// The parameter text a clip is opened with, for playing and for exporting alike.
#include <QString>

namespace playback {

inline const QString kClipOpenParameters =
    QStringLiteral("external_process=false experimental.mfcodecs=true experimental.out_video_packets=true");

} // namespace playback
