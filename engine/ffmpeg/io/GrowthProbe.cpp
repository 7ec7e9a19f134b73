#include "io/GrowthProbe.h"

#include <cstring>

#include "io/ContainerProbes.h"

extern "C" {
#include <libavformat/avformat.h>
}

namespace engine::ff {
namespace {

// A container that ingest does not write while recording (Matroska, AVI, ...): read as it is on disk.
class UnknownGrowthProbe final : public GrowthProbe {
  public:
    bool complete(ByteSource&, int64_t) override { return true; }
    std::optional<double> endSeconds(ByteSource&, int64_t) override { return std::nullopt; }
};

const AVStream* mainVideoStream(const AVFormatContext& fmt) {
    for (unsigned i = 0; i < fmt.nb_streams; ++i) {
        const AVStream* st = fmt.streams[i];
        if (st->codecpar->codec_type == AVMEDIA_TYPE_VIDEO && !(st->disposition & AV_DISPOSITION_ATTACHED_PIC))
            return st;
    }
    return nullptr;
}

} // namespace

std::unique_ptr<GrowthProbe> GrowthProbe::forFormat(const AVFormatContext& fmt) {
    const char* name = fmt.iformat ? fmt.iformat->name : "";
    const AVStream* video = mainVideoStream(fmt);
    if (std::strcmp(name, "mxf") == 0)
        return makeMxfGrowthProbe(video);
    if (std::strcmp(name, "mpegts") == 0)
        return makeTsGrowthProbe(video);
    if (std::strstr(name, "mp4") != nullptr || std::strstr(name, "mov") != nullptr)
        return makeMp4GrowthProbe(video);
    return std::make_unique<UnknownGrowthProbe>();
}

} // namespace engine::ff
