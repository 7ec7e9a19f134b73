#pragma once
// Encodes the routed sound. Input is the source's 16 routed channels at 48 kHz, placed on the recording's
// timeline by sample number; gaps are filled with silence and overlaps dropped, and nothing past the
// video written so far reaches the file, so sound and pictures end together, to the sample.
//
// Channel count: "ac" (default: 16 for PCM, stereo otherwise). With fewer outputs than routed channels,
// routed channel k is mixed into output k modulo the count (stereo: even channels left, odd right), and
// the sum is clipped to full scale.
#include <memory>
#include <vector>

#include "core/MediaSink.h"
#include "writer/EncoderCommon.h"

struct AVAudioFifo;

namespace engine::ff {

class AudioEncoder {
  public:
    static constexpr int kInputRate = 48000;

    static std::unique_ptr<AudioEncoder> open(const AVCodec* codec, const AttributeValues& options,
                                              bool globalHeader, QString& error);
    ~AudioEncoder();
    const AVCodecContext* context() const { return ctx_.get(); }

    // Places `block` at input sample `start` of the recording's timeline.
    void add(const AudioBlock& block, int64_t start);
    // Input samples up to `limit` may now be encoded.
    QString release(int64_t limit, const PacketSink& sink);
    // Ends the sound at exactly `total` input samples and flushes the encoder.
    QString finish(int64_t total, const PacketSink& sink);

  private:
    QString encodeFrames(bool all, const PacketSink& sink);
    QString feed(const float* samples, int frames, const PacketSink& sink);

    AVCodecContextPtr ctx_;
    SwrPtr swr_;
    AVAudioFifo* fifo_ = nullptr;
    int channels_ = 2;
    std::vector<float> pending_; // mixed input samples not yet given to the encoder, interleaved
    int64_t consumed_ = 0;       // input samples given to the encoder
    int64_t outputPts_ = 0;      // encoder samples sent
};

} // namespace engine::ff
