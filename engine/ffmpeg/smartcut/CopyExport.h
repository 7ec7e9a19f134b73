#pragma once
// The writer's "copy" recording: watches which frames the file source plays and, when the recording is
// closed, cuts exactly that range from the clip file without a full re-encode. Its sound is either the
// clip's own audio streams (cut from the file) or the routed sound the source plays, encoded as it
// comes the way a recording encodes it. The cut runs on a thread of its own once the recording ends.
#include <QString>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "smartcut/SmartCut.h"
#include "writer/EncoderCommon.h"
#include "writer/RecordingJob.h"
#include "writer/SoundPlacement.h"

namespace engine::ff {

class AudioEncoder;

class CopyExport final : public RecordingJob {
  public:
    // Sound: the clip's own streams when `copySound`; otherwise the routed sound through `encoder`, or
    // none when the encoder is null (the format stores no sound).
    CopyExport(CutRequest request, bool pacesSource, int sourceState, bool copySound,
               std::unique_ptr<AudioEncoder> encoder);
    ~CopyExport() override;

    QString error() const override { return {}; }
    // Instead of watching what the source plays: the clip and its range as the source holds them, in
    // seconds from the first frame, and the source's channel map, by which routed sound is then read
    // from the clip itself. Call before end().
    void takeRange(const QString& clip, double inSeconds, double outSeconds, std::vector<int> channelMap);
    // The export cannot go ahead; end() reports `reason`.
    void refuse(const QString& reason);
    void onVideo(const FrameHandle& frame) override;
    void onAudio(const AudioHandle& block) override;
    void onSourceState(int state, bool discontinuity) override;
    bool pacesSource() const override { return pacesSource_; }

  private:
    void endOnce() override;
    CutOutcome cut();
    QString releaseSound();
    QString routedSound(double fromSeconds, double toSeconds, std::vector<AudioSpan>& out);

    CutRequest request_;
    CutSound sound_; // empty: the clip's own audio streams
    const bool pacesSource_;
    std::mutex mutex_;
    bool running_;
    int64_t first_ = -1, last_ = -1;
    double firstShown_ = 0, lastShown_ = 0; // media time of those frames
    bool jumped_ = false;

    std::shared_ptr<AudioEncoder> encoder_; // shared with the spans handed to the cut
    SoundPlacement placement_;
    std::vector<AVPacketPtr> soundPackets_; // encoder time base, from the first frame's first sample
    PacketSink keepPacket_;                 // into soundPackets_
    QString soundError_;
    bool rangeTaken_ = false;
    std::vector<int> channelMap_; // with the range taken
    QString refusal_;
    std::thread cutter_;
};

} // namespace engine::ff
