#pragma once
// What the source's decode thread reads from: a clip file or a built-in test source. A reader is used by
// one thread at a time.
#include <functional>
#include <memory>
#include <vector>

#include "core/MediaSink.h"

namespace engine::ff {

// Decoded audio of all source channels (all channels of all audio streams, in stream order),
// interleaved float at the reader's sample rate, before the channel map.
struct SourceAudio {
    double position = 0; // clip seconds of the first sample
    int sampleRate = 48000;
    int channels = 0;
    std::vector<float> samples;
    int frames() const { return channels ? int(samples.size() / size_t(channels)) : 0; }
    double end() const { return position + double(frames()) / sampleRate; }
};
using SourceAudioHandle = std::shared_ptr<const SourceAudio>;

struct MediaInfo {
    bool hasVideo = false;
    int audioChannels = 0; // source channels over all audio streams
    double duration = 0;   // seconds; 0 for an endless source
    double frameDuration = 1.0 / 25;
    bool endless = false;
};

struct ReadOut {
    std::vector<FrameHandle> video; // display order
    std::vector<SourceAudioHandle> audio;
};

using AbortCheck = std::function<bool()>;
using FrameObserver = std::function<void(const FrameHandle&)>;

class MediaReader {
  public:
    virtual ~MediaReader() = default;
    virtual const MediaInfo& info() const = 0;
    // Positions the reader so that the next frame read is the one whose display interval holds
    // `target` (clamped to the first and last frame), with audio starting at that frame. Frames decoded
    // on the way are shown to `decoded` (for the recent-frame ring). False when aborted or unreadable.
    virtual bool seek(double target, const AbortCheck& aborted, const FrameObserver& decoded) = 0;
    // Reads on until something was produced; false at the end of the stream. True with nothing read
    // when the end of a file that is still being written was reached: try again later.
    virtual bool read(ReadOut& out) = 0;
    // While on, pictures carry the clip's closed captions (CEA-608 in the video, or a subtitle stream).
    virtual void setCaptions(bool) {}
    // Duration as known now (a growing file's duration grows as it is read).
    virtual double currentDuration() const { return info().duration; }
};

// A target up to 1% of a frame before a frame's start counts as that frame, so the transport's steps
// of 1/30 s move one frame at a time also on 29.97 material (1/30 s is 0.1% short of its frame).
inline double frameTolerance(double frameDuration) {
    return frameDuration * 0.01;
}

} // namespace engine::ff
