// Pop-on captions: each whole-second block of frames loads "CAPTION k" into the hidden memory and
// flips it on screen with End Of Caption. Control codes go twice, as 608 decoders expect.
#include "CaptionSchedule.h"

#include "samples/SampleClips.h"

#include <cmath>
#include <vector>

namespace samples {
namespace {

using Pair = std::array<uint8_t, 2>;

constexpr Pair kResumeCaptionLoading{0x14, 0x20};
constexpr Pair kEraseNonDisplayed{0x14, 0x2E};
constexpr Pair kRow15Column0White{0x14, 0x60};
constexpr Pair kEndOfCaption{0x14, 0x2F};

uint8_t withOddParity(uint8_t b) {
    b &= 0x7F;
    int ones = 0;
    for (int i = 0; i < 7; ++i)
        ones += (b >> i) & 1;
    return ones % 2 ? b : uint8_t(b | 0x80);
}

int blockLength(double fps) {
    return std::max(1, int(std::lround(fps)));
}

QString captionText(int number) {
    return QStringLiteral("CAPTION %1").arg(number);
}

std::vector<Pair> captionPairs(int number) {
    std::vector<Pair> pairs{kResumeCaptionLoading, kResumeCaptionLoading, kEraseNonDisplayed,
                            kEraseNonDisplayed,    kRow15Column0White,    kRow15Column0White};
    const QByteArray text = captionText(number).toLatin1();
    for (int i = 0; i < text.size(); i += 2)
        pairs.push_back({uint8_t(text[i]), uint8_t(i + 1 < text.size() ? text[i + 1] : 0)});
    pairs.push_back(kEndOfCaption);
    pairs.push_back(kEndOfCaption);
    return pairs;
}

// Offset in its block of the frame whose first End Of Caption puts caption k on screen.
int shownOffset(int number) {
    return int(captionPairs(number).size()) - 2;
}

} // namespace

std::array<uint8_t, 2> captionPairForFrame(int64_t frameNumber, double fps) {
    const int block = blockLength(fps);
    const auto pairs = captionPairs(int(frameNumber / block) + 1);
    const auto offset = size_t(frameNumber % block);
    const Pair p = offset < pairs.size() ? pairs[offset] : Pair{0, 0};
    return {withOddParity(p[0]), withOddParity(p[1])};
}

int64_t captionShownAtFrame(int captionNumber, double fps) {
    return int64_t(captionNumber - 1) * blockLength(fps) + shownOffset(captionNumber);
}

QString captionTextAt(double seconds, double fps) {
    if (seconds < 0)
        return {};
    const auto frame = int64_t(std::floor(seconds * fps + 1e-6));
    int number = int(frame / blockLength(fps)) + 1;
    if (frame < captionShownAtFrame(number, fps))
        --number;
    return number > 0 ? captionText(number) : QString();
}

} // namespace samples
