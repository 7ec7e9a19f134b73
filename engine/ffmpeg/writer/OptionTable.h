#pragma once
// Attribute descriptions read from FFmpeg option tables, with defaults read live from an object set up
// for the muxer or encoder concerned (a codec's own defaults differ from the table's).
#include <QStringList>
#include <vector>

#include "writer/AttributeList.h"

extern "C" {
#include <libavutil/opt.h>
}

namespace engine::ff {

// Options of `liveObject`'s own class (its first member is the AVClass pointer) usable when writing.
// `only`: when not empty, just these names, in this order.
std::vector<AttributeDef> optionDefs(void* liveObject, const QStringList& only = {});

// The option's current value on `liveObject`, with named constants shown by name.
QString optionValueText(void* liveObject, const AVOption* option);

} // namespace engine::ff
