#include "engine_ffmpeg/FfmpegEngine.h"

#include "core/HeapTuning.h"
#include "core/ObjectMakers.h"
#include "engine/OperatorTexts.h"

extern "C" {
#include <libavutil/log.h>
}

namespace engine::ff {
namespace {

class FfmpegEngine : public IEngineFactory {
public:
    explicit FfmpegEngine(ByteSourceDecorator decorate) : decorate_(std::move(decorate)) { av_log_set_level(AV_LOG_ERROR); }
    MRef<IMUnknown> CreateObject(ClassId classId) override {
        if (classId == CLSID_FileSource) return makeFileSource(decorate_);
        if (classId == CLSID_PreviewRenderer) return makePreviewRenderer();
        if (classId == CLSID_FileWriter) return makeFileWriter();
        if (classId == CLSID_CaptionPlugin) return makeCaptionPlugin();
        throw EngineError(
            texts::classNotRegistered(QString::fromLatin1(classId.data(), int(classId.size()))));
    }

private:
    ByteSourceDecorator decorate_;
};

}  // namespace

std::unique_ptr<IEngineFactory> makeFfmpegEngine(ByteSourceDecorator decorate) {
    keepMediaBuffersInHeap();
    return std::make_unique<FfmpegEngine>(std::move(decorate));
}

}  // namespace engine::ff
