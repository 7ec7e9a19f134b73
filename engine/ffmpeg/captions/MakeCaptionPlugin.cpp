// Placeholder until the caption plug-in is built: creation fails with a clear error.
#include "core/ObjectMakers.h"
#include "engine/EngineError.h"

namespace engine::ff {

MRef<IMUnknown> makeCaptionPlugin() { throw EngineError(QStringLiteral("The caption plug-in is not available in this build")); }

}  // namespace engine::ff
