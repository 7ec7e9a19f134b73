#pragma once
// The writer's parameter text: its whole configuration as one line a person can read and edit.
//
//   text   := pair { blank pair }            blanks around pairs are ignored; empty text = defaults
//   pair   := name "=" value
//   name   := "format" | "video" | "audio"    the chosen muxer and encoders, by FFmpeg name
//           | scope "::" attribute           scope is "format", "video" or "audio"
//   value  := bare | quoted
//   bare   := one or more characters other than blank, '"' and '='
//   quoted := '"' { any character, with \" for '"' and \\ for '\' } '"'
//
// Example: format=mp4 video=libx264 audio=aac video::b=6M video::preset=fast audio::b=256K
// Each name appears at most once. Attributes are those the configuration lists for the chosen format or
// encoder; a bit rate "b" is a number, optionally followed by K (kilobit/s) or M (megabit/s).
#include <QString>
#include <optional>

#include "writer/AttributeList.h"

namespace engine::ff {

struct ParsedParams {
    AttributeValues pairs; // in text order
    QString error;         // set when the text does not parse
};

ParsedParams parseParamText(const QString& text);
QString formatParamText(const AttributeValues& pairs);

} // namespace engine::ff
