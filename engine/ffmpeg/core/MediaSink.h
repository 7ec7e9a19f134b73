#pragma once
// What a file source hands to the renderers and writers fed from it. A consumer registers itself as a
// sink on the source's internal hub (reached from StartFrom's IMObject through ISourceHub::IID).
#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

#include "core/AvPtr.h"
#include "engine/Interfaces.h"

namespace engine::ff {

// Current caption text of a 608 display (up to 15 rows of 32 columns); empty rows are empty strings.
struct CaptionScreen {
    std::vector<QString> rows; // rows[0] is the top row
    bool empty() const {
        for (const auto& r : rows)
            if (!r.trimmed().isEmpty())
                return false;
        return true;
    }
};

// A decoded picture, shared read-only between the source and every consumer; never modified after
// publication.
struct VideoFrame {
    AVFramePtr frame;
    double position = 0; // seconds from the clip's first frame
    double duration = 0; // seconds this frame is shown at rate 1
    int64_t index = 0;   // frame number from the clip's first frame, display order
    AVRational sampleAspect{1, 1};
    bool interlaced = false;
    bool topFieldFirst = true;
    std::shared_ptr<const CaptionScreen> caption; // null when no caption plug-in is attached
};
using FrameHandle = std::shared_ptr<const VideoFrame>;

// Routed audio: always kOutputChannels interleaved float channels at sampleRate, after the channel map.
// Samples are always at media speed (never tempo-scaled), contiguous from one block to the next within
// one run; a consumer that plays them in real time applies the tempo `rate` itself. Blocks cover
// exactly the playback range (cut at the in and out points), so position * sampleRate locates every
// sample for a sample-accurate cut.
struct AudioBlock {
    static constexpr int kOutputChannels = 16;
    double position = 0; // media time (seconds) of the first sample
    double rate = 1.0;   // playback rate of the source when the block was delivered
    int sampleRate = 48000;
    int channels = kOutputChannels;
    std::vector<float> samples;
    int frames() const { return channels ? int(samples.size() / size_t(channels)) : 0; }
};
using AudioHandle = std::shared_ptr<const AudioBlock>;

// Reports the media time being heard now (what the device has played, less its latency); makes the
// source clock audio-driven.
class IAudioClock {
  public:
    virtual ~IAudioClock() = default;
    virtual bool playedPosition(double& mediaSeconds) const = 0;
};

// Calls into a sink come from the source's presenter thread (and, for the current frame, from addSink
// on the caller's thread), never two at once. A sink must not call back into the source from them.
// Pacing: while a sink with pacesSource() true is attached, the source delivers every frame of the
// range in order and none twice, audio blocks in order interleaved with the frames they belong to, and
// does not wait for the wall clock; such a sink applies back-pressure by blocking in onVideo/onAudio
// until it has room. Before removeSink, a blocking sink must stop blocking (e.g. on close).
class IMediaSink {
  public:
    virtual ~IMediaSink() = default;
    // The picture the source presents now (after open, seek, step, and each frame while running).
    virtual void onVideo(const FrameHandle& frame) = 0;
    // Routed audio in play-out order, delivered ahead of its presentation time by a bounded amount, to
    // every sink (writers record it, renderers meter it), heard or not.
    virtual void onAudio(const AudioHandle& block) = 0;
    // The sound to be heard, only to the one sink that owns the source's sound output (see
    // ISourceHub::setSoundWanted): blocks in play-out order that start no earlier than the clock's
    // position, at most a bounded lead ahead of it. Never sent while a pacing sink sets the pace.
    virtual void onSound(const AudioHandle&) {}
    // The owner's queued sound is no longer wanted (seek, ownership lost, a resend from the clock's
    // position follows): drop it at once.
    virtual void onSoundFlush() {}
    // The clock of the sound this sink plays (the owner's drives the source's clock).
    virtual IAudioClock* soundClock() { return nullptr; }
    // The source's state code changed (0 closed, 1 stopped, 2 paused, 3 running), or it was re-opened
    // or sought (discontinuity true): queued audio should be dropped.
    virtual void onSourceState(int state, bool discontinuity) = 0;
    // True for a consumer that sets the pace (a writer with rate_control): the source then presents
    // every frame and waits for the consumer instead of the wall clock.
    virtual bool pacesSource() const { return false; }
};

// Internal view of a file source object for its consumers.
class ISourceHub : public IMUnknown {
  public:
    static constexpr InterfaceId IID = "{9D1C3A7E-0B52-4E8F-9A61-5C0F2D7B8E01}";
    virtual void addSink(IMediaSink* sink) = 0;         // the sink gets the current frame at once
    virtual void removeSink(IMediaSink* sink) = 0;      // returns after the last call into the sink
    // A sink wants (or no longer wants) to play the source's sound. Sound is heard once: the first sink
    // that wants it owns it (gets onSound, and its soundClock() drives the source's clock) until it no
    // longer wants it or is removed; then the next sink that wants it takes over.
    virtual void setSoundWanted(IMediaSink* sink, bool wanted) = 0;
    virtual QString openedPath() const = 0;             // empty for none or the colour bars
    virtual double playbackRate() const { return 1.0; } // current SetRate value
};

} // namespace engine::ff
