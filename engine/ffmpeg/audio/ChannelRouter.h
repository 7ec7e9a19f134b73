#pragma once
// Routes decoded audio of any number of streams into the 16 output channels of an AudioBlock.
// Source channels are numbered across all audio streams in stream order (stream 0's channels first),
// so sixteen mono tracks and one 16-channel track route alike. Every stream is converted to float at
// 48 kHz; output frames are released as far as every stream has delivered, keeping streams aligned.
//
// Thread-safety: setMap() and map() may be called from any thread (the UI sets the map while the
// decode thread routes); everything else belongs to the one thread that feeds the router.
#include <QString>
#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

#include "audio/ChannelMap.h"
#include "audio/StreamResampler.h"

namespace engine::ff {

class ChannelRouter {
  public:
    static constexpr int kOutputRate = 48000;
    // How far one stream may run ahead of another before the lagging one is taken as silent.
    static constexpr int kMaxLagFrames = kOutputRate;

    // channelsPerStream: the channel count of each audio stream of the clip, in stream order.
    explicit ChannelRouter(std::vector<int> channelsPerStream = {});

    // Applies a map text ("object::audio_channels"); false when the text is rejected (previous kept,
    // see parseChannelMap). Takes effect with the next routed frame.
    bool setMap(const QString& text);
    void setMap(const ChannelMap& map);
    ChannelMap map() const;

    // Starts over for another clip's streams; queued audio is dropped, the map stays.
    void setStreams(std::vector<int> channelsPerStream);
    // Decoded frame of audio stream `stream` (0-based among the audio streams). Frames of a stream
    // index beyond the configured ones are ignored. A frame with more channels than declared keeps the
    // declared number; fewer leaves the rest silent.
    void push(int stream, const AVFrame& frame);
    // Frames ready to route: what every stream has delivered, or, when a stream lags by more than
    // kMaxLagFrames, what the others have delivered beyond that lag.
    int available() const;
    // Takes up to maxFrames routed frames (16 interleaved channels each) into out (replaced).
    // Returns the frame count taken.
    int pull(int maxFrames, std::vector<float>& out);
    // At the end of the clip: converters are drained and streams that ended early are padded with
    // silence, so everything left is routed. Returns the frame count taken.
    int drain(std::vector<float>& out);
    // Drops queued audio and converter state (after a seek).
    void reset();

  private:
    struct Stream {
        int channels = 0;
        std::unique_ptr<StreamResampler> resampler;
        std::vector<std::vector<float>> planes; // converted samples not yet routed
        size_t consumed = 0;                    // frames at the front of planes already routed
        size_t queued() const { return planes.empty() ? 0 : planes[0].size() - consumed; }
    };
    int route(size_t frames, std::vector<float>& out);
    // Adds converted samples to a stream's queue, keeping its declared channel count.
    static void append(Stream& st, const std::vector<std::vector<float>>& converted);

    mutable std::mutex mapMutex_;
    ChannelMap map_;
    std::vector<Stream> streams_;
};

} // namespace engine::ff
