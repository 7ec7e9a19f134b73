#include "playback/Timecode.h"

#include <cmath>
#include <cstdint>

namespace playback {

namespace {

constexpr int kFramesPerSecond = 30;
constexpr double kTwoTo52 = 4503599627370496.0;
constexpr double kTwoTo63 = 9223372036854775808.0;

// Whole seconds as a signed 32-bit count: the low half of the 64-bit truncation. Values the 64-bit
// conversion cannot hold give 0.
std::int64_t wholeSeconds(double v) {
    if (!std::isfinite(v) || std::fabs(v) >= kTwoTo63)
        return 0;
    const auto truncated = static_cast<std::int64_t>(v);
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(truncated)));
}

double fractionalPart(double v) {
    if (!std::isfinite(v) || std::fabs(v) >= kTwoTo52)
        return 0;
    return v - std::trunc(v);
}

QString field(std::int64_t value) {
    return QString::asprintf("%.2lld", static_cast<long long>(value));
}

} // namespace

QString formatTimecode(double seconds) {
    std::int64_t s = wholeSeconds(seconds);
    auto ff = static_cast<std::int64_t>(fractionalPart(seconds) * kFramesPerSecond + 0.5);
    if (ff >= kFramesPerSecond) {
        s += 1;
        ff = 0;
    }
    const std::int64_t hh = s / 3600;
    const std::int64_t mm = s / 60 - 60 * hh;
    const std::int64_t ss = s - 3600 * hh - 60 * mm;
    return field(hh) + QLatin1Char(':') + field(mm) + QLatin1Char(':') + field(ss) + QLatin1Char(':') +
           field(ff);
}

int barPosition(double fraction) {
    const double product = 1000.0 * fraction;
    if (!std::isfinite(product) || product <= 0)
        return 0;
    if (product >= 1000)
        return 1000;
    const double below = std::floor(product);
    const double rest = product - below;
    int rounded = int(below);
    if (rest > 0.5 || (rest == 0.5 && rounded % 2 != 0))
        ++rounded;
    return rounded;
}

} // namespace playback
