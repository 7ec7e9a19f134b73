#pragma once
// The masks the clip list is switched between.
#include <QString>
#include <optional>

namespace library {

// Every video extension the ingest writes; "Todos" and the single-folder mode use it. The doubled
// entries are part of the stored text; the list shows each file once all the same.
inline const QString kVideoMask =
    QStringLiteral("*.mxf;*.avi;*.asf;*.mpg;*.mp4;*.flv;*.mkv;*.mxf;*.dv;*.asf;*.m4v;");

// The mask of the channel choice at a 0-based position: the first four channels list every file; later
// ones have no mask of their own.
inline std::optional<QString> channelMask(int position) {
    if (position >= 0 && position < 4)
        return QStringLiteral("*.*");
    return std::nullopt;
}

} // namespace library
