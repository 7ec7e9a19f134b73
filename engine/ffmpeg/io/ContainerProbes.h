#pragma once
// The growth probe of each container kind ingest servers write while recording. `video` is the clip's
// main picture stream, or null for a clip without pictures.
#include <memory>

#include "io/GrowthProbe.h"

struct AVStream;

namespace engine::ff {

std::unique_ptr<GrowthProbe> makeMxfGrowthProbe(const AVStream* video);
std::unique_ptr<GrowthProbe> makeTsGrowthProbe(const AVStream* video);
std::unique_ptr<GrowthProbe> makeMp4GrowthProbe(const AVStream* video);

} // namespace engine::ff
