#pragma once
// The product's engine: objects built on the FFmpeg libraries. Only app/ and the engine's own tests
// include this header.
#include <functional>
#include <memory>

#include "engine/EngineFactory.h"

namespace engine::ff {

// Called by a file source's reading thread before each read from a clip file, with the file's path:
// tests and benchmarks slow reads down or hold them, as slow or silent storage would. Empty in the
// product.
using ReadGate = std::function<void(const QString& path)>;

std::unique_ptr<IEngineFactory> makeFfmpegEngine(ReadGate readGate = {});

}  // namespace engine::ff
