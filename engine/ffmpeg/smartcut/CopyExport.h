#pragma once
// The writer's "copy" recording: watches which frames the file source plays and, when the recording is
// closed, cuts exactly that range from the clip file without a full re-encode.
#include <QString>
#include <mutex>

#include "core/MediaSink.h"
#include "smartcut/SmartCut.h"

namespace engine::ff {

class CopyExport final : public IMediaSink {
  public:
    CopyExport(CutRequest request, bool pacesSource, int sourceState);

    // Call after the source has let go of this sink; returns when the file is written (or not).
    CutOutcome finish();

    void onVideo(const FrameHandle& frame) override;
    void onAudio(const AudioHandle&) override {}
    void onSourceState(int state, bool discontinuity) override;
    bool pacesSource() const override { return pacesSource_; }

  private:
    CutRequest request_;
    const bool pacesSource_;
    std::mutex mutex_;
    bool running_;
    int64_t first_ = -1, last_ = -1;
    bool jumped_ = false;
};

} // namespace engine::ff
