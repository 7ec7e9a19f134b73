#pragma once
// One maker per engine class; each stage folder defines its own.
#include "engine/MRef.h"

namespace engine::ff {

MRef<IMUnknown> makeFileSource();
MRef<IMUnknown> makePreviewRenderer();
MRef<IMUnknown> makeFileWriter();
MRef<IMUnknown> makeCaptionPlugin();

}  // namespace engine::ff
