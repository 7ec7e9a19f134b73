#include "source/SoundRoute.h"

#include <algorithm>
#include <cmath>

namespace engine::ff {

AudioHandle routeSound(const SourceAudio& in, const std::vector<int>& channelMap, double rate, double from,
                       double to) {
    const int skip = std::max(0, int(std::llround((from - in.position) * in.sampleRate)));
    int frames = in.frames();
    if (std::isfinite(to))
        frames = std::min<int>(frames, int(std::llround((to - in.position) * in.sampleRate)));
    frames -= skip;
    if (frames <= 0)
        return nullptr;
    auto out = std::make_shared<AudioBlock>();
    out->position = in.position + double(skip) / in.sampleRate;
    out->rate = rate;
    out->sampleRate = in.sampleRate;
    out->channels = AudioBlock::kOutputChannels;
    out->samples.assign(size_t(frames) * AudioBlock::kOutputChannels, 0.0f);
    for (int k = 0; k < AudioBlock::kOutputChannels; ++k) {
        const int src = k < int(channelMap.size()) ? channelMap[size_t(k)] : -1;
        if (src < 0 || src >= in.channels)
            continue;
        for (int i = 0; i < frames; ++i)
            out->samples[size_t(i) * AudioBlock::kOutputChannels + size_t(k)] =
                in.samples[size_t(i + skip) * size_t(in.channels) + size_t(src)];
    }
    return out;
}

} // namespace engine::ff
