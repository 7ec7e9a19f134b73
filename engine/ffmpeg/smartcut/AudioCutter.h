#pragma once
// The clip's own audio streams cut at the sample to a span of the clip's time line, in one pass over the
// file for all of them: each stream decoded, trimmed and encoded again with its own codec as its packets
// come (PCM comes out bit-identical), on a thread of its own a bounded way ahead. Packets are handed out
// as the export's video reaches their time, so memory stays bounded whatever the span's length.
#include <QString>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

#include "core/AvPtr.h"
#include "smartcut/AudioSpan.h"
#include "smartcut/MadeAhead.h"
#include "smartcut/SourceIndex.h"

struct AVAudioFifo;

namespace engine::ff {

// Writes one encoded packet of stream `stream` (pts in samples from the export's first sample).
using AudioPacketWrite = std::function<QString(size_t stream, AVPacket* packet)>;

class AudioCutter {
  public:
    // [fromSeconds, toSeconds) of the clip time line (0 = the first video frame); null and the reason
    // when a stream cannot be decoded or encoded again.
    static std::unique_ptr<AudioCutter> open(const SourceIndex& index, double fromSeconds, double toSeconds,
                                             QString& error);
    // Streams already cut and encoded (the routed sound of a copied export), handed out the same way.
    static std::unique_ptr<AudioCutter> fromSpans(std::vector<AudioSpan> spans);
    ~AudioCutter();

    // What describes each audio stream of the clip, in stream order, as its encoder does; time base
    // 1/sample rate.
    std::vector<const AVCodecContext*> encoders() const;
    // Writes every packet that starts no later than `seconds` after the export's start, reading on as
    // far as needed; with `seconds` infinite, everything that is left.
    QString writeUntil(double seconds, const AudioPacketWrite& write);

  private:
    struct Track;
    // A packet of track `track`; null once the track has no more.
    struct Made {
        size_t track = 0;
        AVPacketPtr packet;
    };
    AudioCutter() = default;
    // On the thread ahead: the next packet made, reading on as far as needed.
    std::optional<Made> make(QString& error);
    QString readMore();
    QString finishAll();

    AVInputPtr in_;
    double zero_ = 0; // the clip's start time
    std::vector<std::unique_ptr<Track>> tracks_;
    std::deque<Made> made_; // by the thread ahead, not yet handed out
    bool readEnded_ = false;
    std::unique_ptr<MadeAhead<Made>> ahead_; // last: it stops first
};

} // namespace engine::ff
