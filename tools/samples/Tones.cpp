// Test tones: one sine per source channel, at frequencies whose low harmonics are none of the others,
// so a mixed-up or dropped channel shows; none is within 75 Hz of the 1 kHz beep.
#include "samples/SampleClips.h"

#include <cmath>
#include <numbers>

namespace samples {

double toneFrequency(int sourceChannel) {
    return 475.0 + 150.0 * sourceChannel;
}

double toneSample(int sourceChannel, int64_t sampleIndex, int sampleRate) {
    // Reduce the phase in whole cycles first so late samples keep full precision.
    const double cycles = std::fmod(toneFrequency(sourceChannel) * double(sampleIndex), double(sampleRate));
    return kToneAmplitude * std::sin(2 * std::numbers::pi * cycles / sampleRate);
}

} // namespace samples
