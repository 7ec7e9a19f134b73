#include "source/ClipPipeline.h"

namespace engine::ff {

ClipPipeline::ClipPipeline(SourceCore& core, std::unique_ptr<MediaFile> file)
    : file_(std::move(file)) {
    if (file_->subtitleIndex() >= 0) {
        const AVStream* st = file_->format()->streams[file_->subtitleIndex()];
        subtitles_.open(*st->codecpar, st->time_base);
    }
    {
        std::lock_guard lk(core.m);
        core.videoPackets.clear();
        core.audioPackets.clear();
        core.audioPackets.resize(file_->audio().size());
        core.demuxSerial += 1;
        core.audio.clear();
    }
    if (file_->info().hasVideo)
        video_ = std::make_unique<VideoStage>(core, *file_, subtitles_);
    if (!file_->audio().empty())
        audio_ = std::make_unique<AudioStage>(core, *file_);
    demux_ = std::make_unique<DemuxStage>(core, *file_, subtitles_);
}

ClipPipeline::~ClipPipeline() {
    audio_.reset();
    video_.reset();
    demux_.reset();
}

} // namespace engine::ff
