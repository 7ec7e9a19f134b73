#include "AudioFixtures.h"

#include <cmath>

namespace avtest {

std::vector<float> sineInterleaved(int channels, int rate, double frequency, double amplitude, int frames) {
    std::vector<float> out(size_t(frames) * size_t(channels));
    for (int f = 0; f < frames; ++f) {
        const float v = float(amplitude * std::sin(2 * M_PI * frequency * f / rate));
        for (int c = 0; c < channels; ++c)
            out[size_t(f) * size_t(channels) + size_t(c)] = v;
    }
    return out;
}

double toneFrequency(const std::vector<float>& interleaved, int channels, int channel, int rate) {
    const size_t frames = interleaved.size() / size_t(channels);
    long first = -1, last = -1, crossings = 0;
    for (size_t f = 1; f < frames; ++f) {
        const float a = interleaved[(f - 1) * size_t(channels) + size_t(channel)];
        const float b = interleaved[f * size_t(channels) + size_t(channel)];
        if (a < 0 && b >= 0) {
            if (first < 0)
                first = long(f);
            last = long(f);
            ++crossings;
        }
    }
    if (crossings < 2)
        return 0;
    return double(crossings - 1) * rate / double(last - first);
}

} // namespace avtest
