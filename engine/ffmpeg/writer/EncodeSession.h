#pragma once
// One recording's encoding and muxing, run on the recorder's thread only. The first picture sets up the
// encoders and the file's header. Output time counts pictures from 0; sound is placed relative to the
// picture it accompanies (re-anchored after a seek of the source).
#include <QString>
#include <functional>
#include <memory>
#include <vector>

#include "core/MediaSink.h"
#include "writer/AudioEncoder.h"
#include "writer/OutputFile.h"
#include "writer/SoundPlacement.h"
#include "writer/VideoEncoder.h"
#include "writer/WriterConfig.h"

namespace engine::ff {

class EncodeSession {
  public:
    EncodeSession(WriterSettings settings, std::unique_ptr<OutputFile> file);
    ~EncodeSession();

    QString video(const FrameHandle& frame);
    QString audio(const AudioHandle& block);
    void discontinuity();
    // Flushes, writes the trailer and puts the file in place, unless `abandoned` says otherwise first.
    QString finish(const std::function<bool()>& abandoned);
    // Removes everything written.
    void abandon();
    int64_t frames() const { return frames_; }
    double seconds() const;

  private:
    QString start(const VideoFrame& first);
    int64_t audioSamplesFor(int64_t frames) const;

    WriterSettings settings_;
    std::unique_ptr<OutputFile> file_;
    std::unique_ptr<VideoEncoder> videoEnc_;
    std::unique_ptr<AudioEncoder> audioEnc_;
    AVStream* videoStream_ = nullptr;
    AVStream* audioStream_ = nullptr;
    PacketSink videoSink_, audioSink_;
    int64_t frames_ = 0;
    SoundPlacement placement_;
};

} // namespace engine::ff
