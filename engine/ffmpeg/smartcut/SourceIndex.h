#pragma once
// A scan of a clip's video packets (no decoding): where each frame sits in display and decode order and
// which frames a copied stretch may start from.
#include <QString>
#include <cstdint>
#include <functional>
#include <limits>
#include <vector>

#include "core/AvPtr.h"
#include "smartcut/Mpeg2Units.h"

namespace engine::ff {

struct IndexedPacket {
    int64_t pts = 0;
    int64_t dts = 0;
    int64_t display = 0; // frame number from the clip's first frame, display order
    bool key = false;    // the demuxer's key flag
    bool splice = false; // decoding can start here and nothing after it refers to anything before it
    // MPEG-2: an I picture with a GOP header; its GOP's leading pictures (shown before it, decoded
    // after it) refer to the GOP before when the GOP is open.
    bool gopStart = false;
    int leading = 0;
    // The first frame shown by this packet or any decoded after it. Decode and display order agree here
    // when every packet decoded before this one is shown before that frame: a copied stretch may end
    // here, holding exactly the frames shown before it.
    int64_t shownFrom = 0;
    bool orderAgrees = false;
    int size = 0;                            // bytes
    std::optional<PictureVbvDelay> vbvDelay; // MPEG-2: the picture header's
    int quantiser = 0;                       // MPEG-2: its first slice's quantiser_scale
};

struct SourceIndex {
    QString path;
    int videoStream = -1;
    std::vector<int> audioStreams;
    AVRational timeBase{1, 1};
    AVRational frameRate{25, 1};
    int64_t firstPts = 0;
    int64_t frames = 0;  // of the packets scanned
    bool whole = true;   // every packet of the clip was scanned (else the scan stopped past what was wanted)
    int64_t bitRate = 0; // bits per second, from the packet sizes
    AVCodecID codec = AV_CODEC_ID_NONE;
    // MPEG-2: the first sequence header (with its extensions), the first GOP's timecode and the
    // pictures' intra DC precision and quantiser scale type, which re-encoded pictures match.
    std::vector<uint8_t> sequenceHeader;
    std::optional<GopTimecode> firstTimecode;
    int intraDcPrecision = -1;
    int quantiserScaleType = -1;
    std::vector<IndexedPacket> packets; // decode order

    // Decode position of the frame displayed as `display`; -1 when absent.
    int positionOf(int64_t display) const;
    double secondsOf(int64_t display) const { return double(display) * frameRate.den / frameRate.num; }
    // The MPEG-2 GOP timecode of the frame displayed as `display`, counted on from the first GOP's;
    // empty when the source has none.
    QString timecodeAt(int64_t display) const;
    std::optional<GopTimecode> gopTimecodeAt(int64_t display) const;
    double startSeconds() const { return double(firstPts) * timeBase.num / timeBase.den; }
};

// Opens a clip for reading (all streams found); null and the reason on failure.
AVInputPtr openClip(const QString& path, QString& error);

// Moves a freshly opened reader of the clip to a key frame at or before the video packet at decode
// position `position`, so that a long file is not read from its start; returns the decode position of
// the next video packet the reader gives (0: it reads from the start), or -1 when the reader was moved
// to an unknown place and must be opened again.
int seekBefore(AVFormatContext* in, const SourceIndex& index, int position);

// Leaves every stream of the reader but `kept` unread: demuxers skip their data.
void readOnly(AVFormatContext* in, const std::vector<int>& kept);

// A reader of the clip's video whose next video packet is at decode position `next`, at or before
// `position`.
AVInputPtr openClipBefore(const SourceIndex& index, int position, int& next, QString& error);

// The last frame (display order) a scan must cover, told once the clip's frame rate is known; -1: all.
using ScanReach = std::function<int64_t(const SourceIndex& index)>;

// Fills the index; returns the reason when the clip has no usable video, or when `stop` answers true
// (a long file is read whole). With `reach`, the scan stops at the second key packet shown after that
// frame: by then every packet shown up to it is in, with where decode and display order agree around it.
QString scanSource(const QString& path, SourceIndex& index, const std::function<bool()>& stop = {},
                   const ScanReach& reach = {});

} // namespace engine::ff
