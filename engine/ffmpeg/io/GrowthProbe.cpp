#include "io/GrowthProbe.h"

#include <string>

namespace engine::ff {
namespace {
// A container whose growth we cannot read: complete only by the no-growth rule.
class UnknownGrowth final : public GrowthProbe {
  public:
    bool complete(ByteSource&, int64_t) override { return false; }
    std::optional<double> endSeconds(ByteSource&, int64_t) override { return std::nullopt; }
};
} // namespace

bool mp4WithoutIndex(ByteSource& bytes, int64_t size) {
    bool media = false;
    for (int64_t at = 0; at + 8 <= size;) {
        uint8_t head[16];
        if (bytes.readAt(at, head, 16) < 8)
            return false;
        int64_t box = (int64_t(head[0]) << 24) | (head[1] << 16) | (head[2] << 8) | head[3];
        const std::string type(reinterpret_cast<const char*>(head + 4), 4);
        if (at == 0 && type != "ftyp")
            return false;
        if (box == 1) {
            box = 0;
            for (int i = 8; i < 16; ++i)
                box = (box << 8) | head[i];
        } else if (box == 0) {
            box = size - at;
        }
        if (type == "moov" || type == "moof" || box < 8)
            return false;
        media = media || type == "mdat";
        at += box;
    }
    return media;
}

std::unique_ptr<GrowthProbe> GrowthProbe::forFormat(const AVFormatContext&) {
    return std::make_unique<UnknownGrowth>();
}

} // namespace engine::ff
