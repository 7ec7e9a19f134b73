#pragma once
// What the video and audio encoders share: applying the chosen attributes and draining packets.
#include <QString>
#include <functional>

#include "core/AvPtr.h"
#include "writer/AttributeList.h"

extern "C" {
#include <libavutil/opt.h>
}

namespace engine::ff {

// Receives each encoded packet (timestamps in the encoder's time base); returns an error text or empty.
using PacketSink = std::function<QString(AVPacket*)>;

// Hands the encoder its options ("b" as a bit rate); pipeline attributes (pix_fmt, ar, ac, sample_fmt)
// are left to the caller. Returns the reason of a refusal.
QString applyEncoderOptions(AVCodecContext* ctx, const AttributeValues& options);
QString optionValue(const AttributeValues& options, const QString& name);
bool hasOption(const AttributeValues& options, const QString& name);

AVCodecContextPtr allocEncoder(const AVCodec* codec);
QString openEncoder(AVCodecContext* ctx, const AVCodec* codec);

// Sends `frame` (null: flush) and passes every packet the encoder has ready to `sink`.
QString encodeAndDrain(AVCodecContext* ctx, const AVFrame* frame, const PacketSink& sink);

} // namespace engine::ff
