// The lip-sync marks: which frames flash and where the beep under them sits in the sound.
#include "samples/SampleClips.h"

#include <algorithm>
#include <cmath>
#include <numbers>

extern "C" {
#include <libavutil/mathematics.h>
}

namespace samples {

int ClipRecipe::timecodeRate() const {
    return std::max(1, int(std::lround(framesPerSecond())));
}

double ClipRecipe::sourceSample(int sourceChannel, int64_t sampleIndex) const {
    const double tone = toneSample(sourceChannel, sampleIndex, sampleRate);
    if (!flashAndBeep || sourceChannel >= kBeepChannels)
        return tone;
    return tone + beepSample(sampleIndex, sampleRate, rateNum, rateDen);
}

bool isFlashFrame(int64_t frameNumber, int timecodeRate) {
    return frameNumber >= 0 && frameNumber % std::max(1, timecodeRate) == 0;
}

int64_t firstSampleOfFrame(int64_t frameNumber, int sampleRate, int rateNum, int rateDen) {
    return av_rescale(frameNumber, int64_t(sampleRate) * rateDen, rateNum);
}

double beepSample(int64_t sampleIndex, int sampleRate, int rateNum, int rateDen) {
    if (sampleIndex < 0)
        return 0;
    // The frame whose audio holds the sample: the estimate is off by one at most either way.
    int64_t frame = av_rescale_rnd(sampleIndex, rateNum, int64_t(sampleRate) * rateDen, AV_ROUND_DOWN);
    while (firstSampleOfFrame(frame + 1, sampleRate, rateNum, rateDen) <= sampleIndex)
        ++frame;
    while (frame > 0 && firstSampleOfFrame(frame, sampleRate, rateNum, rateDen) > sampleIndex)
        --frame;
    const int timecodeRate = std::max(1, int(std::lround(double(rateNum) / rateDen)));
    if (!isFlashFrame(frame, timecodeRate))
        return 0;
    const int64_t into = sampleIndex - firstSampleOfFrame(frame, sampleRate, rateNum, rateDen);
    const double cycles = std::fmod(kBeepFrequency * double(into), double(sampleRate));
    return kBeepAmplitude * std::sin(2 * std::numbers::pi * cycles / sampleRate);
}

} // namespace samples
