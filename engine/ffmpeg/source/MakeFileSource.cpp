// Placeholder until the file source is built: creation fails with a clear error.
#include "core/ObjectMakers.h"
#include "engine/EngineError.h"

namespace engine::ff {

MRef<IMUnknown> makeFileSource() { throw EngineError(QStringLiteral("The file source is not available in this build")); }

}  // namespace engine::ff
