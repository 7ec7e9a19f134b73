#pragma once
// The product's engine: objects built on the FFmpeg libraries. Only app/ and the engine's own tests
// include this header.
#include <functional>
#include <memory>

#include "engine/EngineFactory.h"
#include "engine_ffmpeg/ByteSource.h"

namespace engine::ff {

// `decorate` wraps the bytes of every clip file a file source reads: tests and benchmarks slow reads
// down or hold them, as slow or silent storage would. Empty in the product.
std::unique_ptr<IEngineFactory> makeFfmpegEngine(ByteSourceDecorator decorate = {});

}  // namespace engine::ff
