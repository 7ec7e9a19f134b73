#pragma once
// The video buffering verifier of a constant-rate MPEG-2 stream: the decoder's buffer, filled at the
// stream's bit rate and emptied by a whole picture at each picture's decode time, one frame apart in
// decode order. A cut keeps a constant-rate source's promise when that buffer neither runs dry nor
// overflows across its splices and every picture's vbv_delay states the level the buffer is really at.
#include <QString>
#include <optional>
#include <vector>

#include "core/AvPtr.h"
#include "smartcut/Mpeg2Units.h"

namespace engine::ff {

struct VbvBuffer {
    double bitRate = 0;      // bits per second
    double size = 0;         // bits
    double frameSeconds = 0; // between two pictures' decode times
    double perFrame() const { return bitRate * frameSeconds; }
    // The level just before the decoder takes a picture whose vbv_delay is stated.
    double levelOf(const PictureVbvDelay& d) const {
        return double(d.bitsBefore) + d.delay * bitRate / 90000;
    }
};

// The buffer a sequence header states; nullopt when it states no rate or no buffer.
std::optional<VbvBuffer> vbvBufferOf(const std::vector<uint8_t>& sequenceHeader, AVRational frameRate);

// Follows a stream picture by picture in decode order from the level the first picture states, and keeps
// the first fault: a picture not whole in the buffer at its decode time, a buffer over its size, or a
// picture whose vbv_delay states a level the buffer is not at (a splice that breaks the constant rate).
class VbvCheck {
  public:
    explicit VbvCheck(const VbvBuffer& buffer) : buffer_(buffer) {}
    void take(const uint8_t* data, int size);
    const QString& fault() const { return fault_; }
    int pictures() const { return pictures_; }
    double lowestLevelAfterTaking() const { return lowest_; } // bits, the closest it came to running dry
    double highestLevel() const { return highest_; }          // bits, the closest it came to overflowing
    double largestStatedGap() const { return largestGap_; }   // bits between stated and followed level

  private:
    void fail(const QString& why);
    double tolerance() const;

    VbvBuffer buffer_;
    double level_ = 0;
    int pictures_ = 0;
    double lowest_ = 0, highest_ = 0, largestGap_ = 0;
    QString fault_;
};

// The lowest level a run of encoded pictures may start from without running the buffer dry, and to leave
// it at `endLevel` or above after the last (the head of a cut starts the stream: its level is free).
double startLevelFor(const VbvBuffer& buffer, const std::vector<AVPacketPtr>& packets, double endLevel);

// Fits encoded pictures, decode order, to the buffer from `startLevel`: stamps each one's vbv_delay with
// the level it is taken at, and appends stuffing (zero bytes) where the buffer would overflow and, with
// `endLevel`, after the last so that the buffer is left at that level for the pictures that follow. The
// reason when they do not fit.
QString fitToVbv(const VbvBuffer& buffer, double startLevel, std::vector<AVPacketPtr>& packets,
                 std::optional<double> endLevel = std::nullopt);

} // namespace engine::ff
