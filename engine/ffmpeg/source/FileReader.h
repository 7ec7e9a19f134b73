#pragma once
// A clip file read with FFmpeg: demuxing, video and audio decoding, frame-exact seeking.
#include <QString>
#include <cmath>
#include <deque>
#include <memory>

#include "captions/CaptionDecoder.h"
#include "captions/SubtitleTrack.h"
#include "core/AvPtr.h"
#include "source/AudioMerger.h"
#include "source/MediaReader.h"
#include "source/StreamTime.h"

namespace engine::ff {

class FileReader final : public MediaReader {
  public:
    // Opens the file and decodes its first frame; null with `error` set when that fails.
    static std::unique_ptr<FileReader> open(const QString& path, QString& error);

    const MediaInfo& info() const override { return info_; }
    bool seek(double target, const AbortCheck& aborted, const FrameObserver& decoded) override;
    bool read(ReadOut& out) override;
    double currentDuration() const override { return duration_; }
    void setCaptions(bool on) override { captionsOn_ = on; }

  private:
    struct AudioStream {
        int index = -1;
        AVCodecContextPtr codec;
        SwrPtr swr;
        int swrFormat = -1, swrRate = 0, swrChannels = 0; // the decoded sound swr was set up for
        StreamTime time;
        int channels = 0;
        double nextPosition = 0; // where the next decoded frame starts when it has no timestamp
    };
    enum class Next { Frame, End, Wait, Aborted };
    enum class Feed { Packet, End, Wait };

    explicit FileReader(QString path) : path_(std::move(path)) {}
    bool openInput(QString& error);
    bool openVideo(QString& error);
    void openAudio();
    double findOrigin() const;

    // Reads one packet into the decoders.
    Feed feedPacket();
    void finishInput();
    bool stillGrowing();
    Next nextVideoFrame(FrameHandle& frame, const AbortCheck& aborted);
    FrameHandle wrap(AVFramePtr frame);
    void decodeAudio(AudioStream& a, const AVPacket* pkt);
    void receiveAudio(AudioStream& a);
    void pullAudio(ReadOut& out);
    void restartAt(double seconds);
    bool seekVideo(double target, const AbortCheck& aborted, const FrameObserver& decoded);
    bool seekAudioOnly(double target);

    QString path_;
    MediaInfo info_;
    double duration_ = 0;
    AVInputPtr fmt_;
    AVPacketPtr pkt_ = makePacket();
    AVFramePtr scratch_ = makeFrame();
    int videoIndex_ = -1;
    AVCodecContextPtr video_;
    StreamTime videoTime_;
    std::vector<AudioStream> audio_;
    AudioMerger merger_;
    bool captionsOn_ = false;
    bool a53Seen_ = false; // the video carries 608 captions; a subtitle stream is then not used
    CaptionDecoder captions_;
    SubtitleTrack subtitles_;
    int subtitleIndex_ = -1;
    StreamTime subtitleTime_;

    std::deque<FrameHandle> ready_; // decoded video frames not yet handed out
    bool fileEnded_ = false;        // no more packets
    bool videoEnded_ = false;       // decoder drained
    bool keySeen_ = false;          // packets before the first key packet after a seek are not decoded
    double keyPosition_ = NAN;      // first key frame after a seek; earlier (leading) pictures are dropped
    double lastPosition_ = -1;      // position of the last frame decoded (for frames without timestamps)
    FrameHandle lastHanded_;        // the last frame handed out; decoding continues after it
    double skipUntil_ = -1;         // packets ending before this may skip non-reference frames
    int64_t lastSize_ = -1;         // largest file size seen (at open, then at each end)
    int64_t lastGrowthMs_ = 0;
};

} // namespace engine::ff
