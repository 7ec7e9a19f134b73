#pragma once
// Mixes the 16 routed channels down to what the sound device plays: even outputs (0, 2, ...) to the
// left, odd outputs to the right, summed at unity gain and clipped to [-1, 1], so one active pair is
// heard at its own level. A mono device gets the average of left and right; a device with more than two
// channels gets left and right on its first two and silence on the rest. Pure function, any thread.
#include <vector>

namespace engine::ff {

// `routed` holds frames of `routedChannels` interleaved samples; out is replaced with the same frame
// count of `deviceChannels` interleaved samples.
void downmixRouted(const float* routed, int frames, int routedChannels, int deviceChannels,
                   std::vector<float>& out);

} // namespace engine::ff
