#pragma once
// The product's engine: objects built on the FFmpeg libraries. Only app/ and the engine's own tests
// include this header.
#include <memory>

#include "engine/EngineFactory.h"

namespace engine::ff {

std::unique_ptr<IEngineFactory> makeFfmpegEngine();

}  // namespace engine::ff
