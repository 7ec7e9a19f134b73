// Placeholder until the file writer is built: creation fails with a clear error.
#include "core/ObjectMakers.h"
#include "engine/EngineError.h"

namespace engine::ff {

MRef<IMUnknown> makeFileWriter() { throw EngineError(QStringLiteral("The file writer is not available in this build")); }

}  // namespace engine::ff
