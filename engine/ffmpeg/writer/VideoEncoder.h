#pragma once
// Encodes the source's pictures with the chosen encoder, converting pixel format when the encoder needs
// it. Frame side data (A53 closed captions among it) goes with each picture to the encoder.
#include <memory>

#include "core/MediaSink.h"
#include "writer/EncoderCommon.h"

namespace engine::ff {

class VideoEncoder {
  public:
    // Set up from the first picture of the recording.
    static std::unique_ptr<VideoEncoder> open(const AVCodec* codec, const AttributeValues& options,
                                              const VideoFrame& first, bool globalHeader, QString& error);
    const AVCodecContext* context() const { return ctx_.get(); }
    // One output frame duration, in the encoder's time base units: pts counts frames.
    AVRational frameDuration() const { return av_inv_q(ctx_->framerate); }
    QString encode(const VideoFrame& frame, int64_t pts, const PacketSink& sink);
    QString flush(const PacketSink& sink) { return encodeAndDrain(ctx_.get(), nullptr, sink); }

  private:
    AVFramePtr convert(const AVFrame* src, QString& error);

    AVCodecContextPtr ctx_;
    SwsPtr sws_;
};

} // namespace engine::ff
