#include "smartcut/Mpeg2Vbv.h"

#include "engine/OperatorTexts.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace engine::ff {
namespace {

constexpr double kTicksPerSecond = 90000;

double bitsOf(const AVPacket* p) {
    return double(p->size) * 8;
}

// Zero bytes at the end of the picture's data, before a sequence end code that closes it.
bool appendStuffing(AVPacket* p, int bytes) {
    if (bytes <= 0)
        return true;
    const bool ended = endsSequence(p->data, p->size);
    if (av_packet_make_writable(p) < 0 || av_grow_packet(p, bytes) < 0)
        return false;
    uint8_t* stuffing = p->data + p->size - bytes - (ended ? 4 : 0);
    if (ended)
        std::memcpy(p->data + p->size - 4, kMpeg2SequenceEnd, 4);
    std::memset(stuffing, 0, size_t(bytes));
    return true;
}

} // namespace

std::optional<VbvBuffer> vbvBufferOf(const std::vector<uint8_t>& sequenceHeader, AVRational frameRate) {
    const Mpeg2RateFields fields = rateFieldsOf(sequenceHeader);
    if (fields.bitRate <= 0 || fields.vbvBufferBits <= 0 || frameRate.num <= 0 || frameRate.den <= 0)
        return std::nullopt;
    return VbvBuffer{double(fields.bitRate), double(fields.vbvBufferBits), av_q2d(av_inv_q(frameRate))};
}

void VbvCheck::fail(const QString& why) {
    if (fault_.isEmpty())
        fault_ = QStringLiteral("picture %1 (decode order): %2").arg(pictures_).arg(why);
}

double VbvCheck::tolerance() const {
    // A delay is stated in whole ticks, and the header's bit rate may be up to 400 bit/s above the rate
    // the stream was made at: the level followed from the first picture drifts that far from the truth.
    return 3 * buffer_.bitRate / kTicksPerSecond + 400 * pictures_ * buffer_.frameSeconds + 8;
}

void VbvCheck::take(const uint8_t* data, int size) {
    const std::optional<PictureVbvDelay> stated = vbvDelayOf(data, size);
    if (!stated || stated->delay == kVbvDelayUnstated) {
        fail(QStringLiteral("no vbv_delay stated"));
    } else {
        const double statedLevel = buffer_.levelOf(*stated);
        if (pictures_ == 0)
            level_ = lowest_ = highest_ = statedLevel;
        const double gap = std::abs(statedLevel - level_);
        largestGap_ = std::max(largestGap_, gap);
        if (gap > tolerance())
            fail(QStringLiteral("its vbv_delay states %1 bits in the buffer, which holds %2")
                     .arg(std::llround(statedLevel))
                     .arg(std::llround(level_)));
    }
    highest_ = std::max(highest_, level_);
    if (level_ > buffer_.size + tolerance())
        fail(QStringLiteral("the buffer overflows (%1 of %2 bits)")
                 .arg(std::llround(level_))
                 .arg(buffer_.size));
    level_ -= double(size) * 8;
    lowest_ = std::min(lowest_, level_);
    if (level_ < -8)
        fail(QStringLiteral("the buffer runs dry (%1 bits short)").arg(std::llround(-level_)));
    level_ += buffer_.perFrame();
    ++pictures_;
}

double startLevelFor(const VbvBuffer& buffer, const std::vector<AVPacketPtr>& packets, double endLevel) {
    double needed = 0, taken = 0;
    for (size_t n = 0; n < packets.size(); ++n) {
        taken += bitsOf(packets[n].get());
        needed = std::max(needed, taken - double(n) * buffer.perFrame());
    }
    return std::max(needed, endLevel + taken - double(packets.size()) * buffer.perFrame());
}

QString fitToVbv(const VbvBuffer& buffer, double startLevel, std::vector<AVPacketPtr>& packets,
                 std::optional<double> endLevel) {
    double level = startLevel;
    for (size_t n = 0; n < packets.size(); ++n) {
        AVPacket* p = packets[n].get();
        const std::optional<PictureVbvDelay> at = vbvDelayOf(p->data, p->size);
        if (!at)
            return texts::reencodedPictureWithoutHeader(static_cast<long long>(n));
        const double ticks = std::floor((level - double(at->bitsBefore)) * kTicksPerSecond / buffer.bitRate);
        if (level < bitsOf(p) || ticks >= kVbvDelayUnstated)
            return texts::reencodedPictureDoesNotFit(static_cast<long long>(n), p->size * 8LL, std::llround(level));
        if (av_packet_make_writable(p) < 0)
            return texts::cannotStampBufferDelays();
        setVbvDelay(p->data, p->size, int(ticks));
        level += buffer.perFrame() - bitsOf(p);
        const bool last = n + 1 == packets.size();
        // Kept a few ticks below the top: levels come from delays stated in whole ticks.
        const double ceiling =
            last && endLevel ? *endLevel : buffer.size - 3 * buffer.bitRate / kTicksPerSecond;
        if (level > ceiling) {
            const int bytes = int(std::ceil((level - ceiling) / 8));
            if (!appendStuffing(p, bytes))
                return texts::cannotPadReencodedPictures();
            level -= bytes * 8.0;
        }
    }
    if (endLevel && level < *endLevel - 8)
        return texts::reencodedLeaveBufferShort(std::llround(level), std::llround(*endLevel));
    return {};
}

} // namespace engine::ff
