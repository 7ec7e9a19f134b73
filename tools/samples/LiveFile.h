#pragma once
// One file of a live recording: a muxer over the segment's streams, written packet by packet and pushed
// to the file at once, so a reader sees each picture as soon as it is written.
#include "LiveSegment.h"
#include "MuxerFile.h"

namespace samples::live {

QString liveExtension(LiveFormat format);

class LiveFile {
  public:
    // Creates the file and writes its header; `timecode` ("hh:mm:ss:ff") is its start timecode.
    LiveFile(const QString& path, LiveFormat format, const Segment& segment, const QString& timecode);
    // Destroyed without finish(), the file is closed without its trailer.

    // Takes a packet whose stream index and timestamps are the segment's (its time bases).
    void write(AVPacket* packet);
    // Hands everything written so far to the file.
    void flush();
    // Writes the trailer (MXF: the footer partition and the completed header) and closes the file.
    void finish();

    const QString& path() const { return path_; }

  private:
    [[noreturn]] void fail(const QString& what, int err) const;

    QString path_;
    const Segment& segment_;
    MuxerFile out_;
};

} // namespace samples::live
