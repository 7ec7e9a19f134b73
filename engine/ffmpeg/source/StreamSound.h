#pragma once
// One audio stream of a clip decoded to float at the merger's rate, each run of samples placed on the
// clip's time line by its timestamp and handed to an AudioMerger: what the source plays and what a copy
// reads of the clip's sound come out the same.
#include "source/AudioMerger.h"
#include "source/MediaFile.h"

namespace engine::ff {

class StreamSound {
  public:
    // Stream `info` of `file`; `merged` is its place among the merger's streams.
    StreamSound(const MediaFile& file, const AudioStreamInfo& info, int merged);

    // Decodes `packet` into `merger`; null: the stream has ended.
    void decode(const AVPacket* packet, AudioMerger& merger);
    // Forgets what the decoder holds (reading starts elsewhere).
    void flush();
    const StreamTime& time() const { return time_; }

  private:
    void convert(AVFrame& frame, AudioMerger& merger);

    AVCodecContextPtr codec_;
    SwrPtr swr_;
    int swrFormat_ = -1, swrRate_ = 0, swrChannels_ = 0; // the decoded sound swr was set up for
    int channels_ = 0;
    int merged_ = 0;
    StreamTime time_;
    double nextPosition_ = 0; // where the next decoded frame starts when it has no timestamp
    AVFramePtr scratch_ = makeFrame();
};

} // namespace engine::ff
