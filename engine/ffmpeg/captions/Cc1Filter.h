#pragma once
// Keeps the CC1 service of CEA-608 data: field-1 byte pairs of data channel 1. FFmpeg's 608 decoder
// mixes the channels (and takes field 2 when it finds it), so the other services are removed before
// it sees them. Not thread-safe: one owner.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace engine::ff {

class Cc1Filter {
  public:
    // cc_data triplets in, the CC1 triplets among them out (replaced).
    void filter(const uint8_t* ccData, size_t size, std::vector<uint8_t>& out);
    void reset() { channelOne_ = true; }

  private:
    // Character pairs carry no channel: they belong to the channel of the last control code.
    bool channelOne_ = true;
};

} // namespace engine::ff
