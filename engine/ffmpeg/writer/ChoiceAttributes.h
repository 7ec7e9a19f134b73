#pragma once
// The attribute lists of the writer's choices: a format's facts and muxer options, an encoder's bit rate,
// the picture and sound settings our pipeline applies, and the encoder's own options. Also the check of a
// value before a recording uses it.
#include <QString>
#include <optional>
#include <vector>

#include "writer/AttributeList.h"
#include "writer/FormatCatalog.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace engine::ff {

std::vector<AttributeDef> formatAttributes(const FormatEntry& format);
std::vector<AttributeDef> encoderAttributes(const AVCodec* codec);

// Error text for a value the muxer or encoder would refuse; empty when it is acceptable.
QString checkFormatValue(const AVOutputFormat* muxer, const QString& name, const QString& value);
QString checkEncoderValue(const AVCodec* codec, const QString& name, const QString& value);

// "6M", "6000K", "1.5M" or a plain number of bits per second.
std::optional<int64_t> parseBitRate(const QString& text);

// Attributes our pipeline applies itself instead of handing them to the encoder.
bool isPipelineAttribute(const QString& name);
// Channels written when "ac" is not set: all routed channels for PCM, else stereo.
int defaultChannelCount(const AVCodec* codec);
int defaultSampleRate(const AVCodec* codec);

} // namespace engine::ff
