#pragma once
// Time stamps for the packets of an MXF file opened while it was being written. FFmpeg reads the index
// table segments only from a finished file, so for such a file it counts pictures from where it started
// reading (0 again after a byte seek), leaves the I and P pictures without a presentation time, gives
// each B picture its position in coded order (one frame late) and carries its sound sample count on
// across a byte seek. This re-stamps them on the time line FFmpeg gives the finished file: a picture
// at its edit unit's time in display order, from its picture header, and the sound of each content
// package at its edit unit's time.
#include <cstdint>
#include <vector>

extern "C" {
#include <libavcodec/packet.h>
#include <libavutil/rational.h>
}

struct AVFormatContext;

namespace engine::ff {

class MxfPacketTimes {
  public:
    explicit MxfPacketTimes(const AVFormatContext& fmt);

    // Reading starts (again) at the content package that starts at `packageSeconds`: 0 at the start of
    // the essence, GrownSeekPoint::packageSeconds after a byte seek to its pos.
    void restartAt(double packageSeconds);
    // Re-stamps the next packet read. Packets of streams other than the main picture and the sound are
    // left as they are.
    void stamp(AVPacket& pkt);

  private:
    void stampPicture(AVPacket& pkt);

    const AVFormatContext& fmt_;
    int video_ = -1;
    AVRational editRate_{0, 1};
    int64_t unit_ = 0;      // edit unit of the next picture, in coded order
    int64_t groupStart_ = 0; // edit unit of the first picture of the current group of pictures
    int64_t restartUnit_ = 0;
    std::vector<int64_t> soundPackets_; // per stream: sound packets read since the restart
};

} // namespace engine::ff
