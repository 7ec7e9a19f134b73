// Placeholder until the preview renderer is built: creation fails with a clear error.
#include "core/ObjectMakers.h"
#include "engine/EngineError.h"

namespace engine::ff {

MRef<IMUnknown> makePreviewRenderer() { throw EngineError(QStringLiteral("The preview renderer is not available in this build")); }

}  // namespace engine::ff
