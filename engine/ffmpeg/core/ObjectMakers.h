#pragma once
// One maker per engine class; each stage folder defines its own.
#include "engine/MRef.h"
#include "engine_ffmpeg/FfmpegEngine.h"

namespace engine::ff {

MRef<IMUnknown> makeFileSource(ByteSourceDecorator decorate = {});
MRef<IMUnknown> makePreviewRenderer();
MRef<IMUnknown> makeFileWriter();
MRef<IMUnknown> makeCaptionPlugin();

}  // namespace engine::ff
