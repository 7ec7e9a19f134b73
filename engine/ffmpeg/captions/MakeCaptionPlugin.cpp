// The caption plug-in: its presence in a file source's plug-in chain is what turns captions on. The
// decoding happens in the source (CaptionDecoder, SubtitleTrack), so the object itself holds nothing.
#include "core/EngineObject.h"
#include "core/ObjectMakers.h"

namespace engine::ff {
namespace {

class CaptionPlugin : public EngineObject<CaptionPlugin, IMCaptionPlugin> {};

} // namespace

MRef<IMUnknown> makeCaptionPlugin() {
    return makeObject<CaptionPlugin>();
}

} // namespace engine::ff
