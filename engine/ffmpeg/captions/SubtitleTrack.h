#pragma once
// Captions from a text subtitle stream of the container (SubRip, ASS, mov_text, WebVTT, ...), used when
// the video carries no 608 captions. Bitmap subtitles (DVD, PGS) are not drawn: open() refuses them.
//
// Not thread-safe: one owner (the thread that demuxes the clip).
#include <memory>

#include "captions/TimedCaptions.h"

namespace engine::ff {

class SubtitleTrack : public TimedCaptions {
  public:
    // True for a subtitle stream whose decoder produces text.
    static bool isTextSubtitle(const AVCodecParameters& par);

    // Opens the stream's decoder; false for a stream that is not text subtitles or cannot be opened.
    bool open(const AVCodecParameters& par, AVRational timeBase);
    bool ok() const { return ctx_ != nullptr; }

    // A packet of the stream; startSeconds is its pts in seconds from the clip's first frame. Its end
    // is the event's own display time or the packet duration, else it lasts until the next one.
    void feed(const AVPacket& packet, double startSeconds);

  private:
    AVRational timeBase_{1, 1000};
};

} // namespace engine::ff
