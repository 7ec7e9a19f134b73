// MPEG-TS being written: no footer, so never complete by itself (the source's no-growth rule ends it).
// Its end is the presentation time of the last whole picture near the end of what is on disk, and its
// seek points near the end are the key pictures there, both read from the PES headers of the video
// stream's packets. FFmpeg's own seek lands on any packet near the time, so near the live edge the next
// key picture may not be written yet.
#include <algorithm>

#include "io/ContainerProbes.h"
#include "io/TsPes.h"

namespace engine::ff {
namespace {

constexpr int64_t kFirstWindow = 256 * 1024;
// How far back from the end the probe looks for a picture's start or a key picture; further back
// FFmpeg's own seek is left to find its way.
constexpr int64_t kLookBack = 16 * 1024 * 1024;

class TsGrowthProbe final : public GrowthProbe {
  public:
    explicit TsGrowthProbe(const AVStream* video) : pes_(video) {}

    bool complete(ByteSource&, int64_t) override { return false; }

    std::optional<double> endSeconds(ByteSource& bytes, int64_t size) override {
        if (!pes_.hasVideo())
            return std::nullopt;
        // Widen the window back from the end until it holds a whole picture: a PES start followed by another.
        for (int64_t window = kFirstWindow;; window *= 2) {
            const int64_t from = std::max<int64_t>(0, size - window);
            const std::vector<TsPictureStart> starts = pes_.starts(bytes, from, size);
            if (starts.size() >= 2) {
                const auto latest = std::max_element(starts.begin(), starts.end() - 1,
                                                     [](const auto& a, const auto& b) { return a.pts < b.pts; });
                return pes_.seconds(latest->pts) + pes_.frameSeconds();
            }
            if (from == 0 || window >= kLookBack)
                return std::nullopt;
        }
    }

    std::optional<GrownSeekPoint> seekPoint(ByteSource& bytes, int64_t size, double target) override {
        return pes_.keyBefore(bytes, size, target, kLookBack);
    }

  private:
    const TsVideoPes pes_;
};

} // namespace

std::unique_ptr<GrowthProbe> makeTsGrowthProbe(const AVStream* video) {
    return std::make_unique<TsGrowthProbe>(video);
}

} // namespace engine::ff
