#pragma once
// The stages that read a clip file: demux, video decode and audio decode, each on its own thread,
// meeting in SourceCore's queues. Stopped and joined by destruction (the owner sets core.quit first).
#include <memory>

#include "captions/SubtitleTrack.h"
#include "source/AudioStage.h"
#include "source/DemuxStage.h"
#include "source/MediaFile.h"
#include "source/VideoStage.h"

namespace engine::ff {

class ClipPipeline {
  public:
    // The core's session and target say where to start.
    ClipPipeline(SourceCore& core, std::unique_ptr<MediaFile> file);
    ~ClipPipeline();

  private:
    std::unique_ptr<MediaFile> file_;
    SubtitleTrack subtitles_;
    // Destroyed (joined) before the file and subtitles they use.
    std::unique_ptr<DemuxStage> demux_;
    std::unique_ptr<VideoStage> video_;
    std::unique_ptr<AudioStage> audio_;
};

} // namespace engine::ff
