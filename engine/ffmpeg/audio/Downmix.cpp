#include "audio/Downmix.h"

#include <algorithm>

namespace engine::ff {

void downmixRouted(const float* routed, int frames, int routedChannels, int deviceChannels,
                   std::vector<float>& out) {
    frames = std::max(frames, 0);
    deviceChannels = std::max(deviceChannels, 1);
    out.assign(size_t(frames) * size_t(deviceChannels), 0.f);
    for (int f = 0; f < frames; ++f) {
        const float* in = routed + size_t(f) * size_t(routedChannels);
        float left = 0, right = 0;
        for (int c = 0; c < routedChannels; c += 2)
            left += in[c];
        for (int c = 1; c < routedChannels; c += 2)
            right += in[c];
        left = std::clamp(left, -1.f, 1.f);
        right = std::clamp(right, -1.f, 1.f);
        float* dst = out.data() + size_t(f) * size_t(deviceChannels);
        if (deviceChannels == 1) {
            dst[0] = 0.5f * (left + right);
        } else {
            dst[0] = left;
            dst[1] = right;
        }
    }
}

} // namespace engine::ff
