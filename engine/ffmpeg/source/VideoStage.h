#pragma once
// The video decode thread of a clip: decodes the video packets the demux stage queued into pictures for
// the presenter, performs frame-exact seeks (answering from the recent-frame ring when it can, decoding
// forward when the target is just ahead, else asking the demuxer to read from before the target), and
// at fast rates decodes only what can be shown.
#include <chrono>
#include <optional>
#include <thread>

#include "captions/CaptionDecoder.h"
#include "captions/SubtitleTrack.h"
#include "source/FrameRing.h"
#include "source/KeyPreview.h"
#include "source/MediaFile.h"
#include "source/SourceCore.h"

namespace engine::ff {

class VideoStage {
  public:
    VideoStage(SourceCore& core, const MediaFile& file, SubtitleTrack& subtitles);
    ~VideoStage(); // the owner sets core.quit first

  private:
    using Lock = std::unique_lock<std::mutex>;
    using Clock = std::chrono::steady_clock;
    enum class Got { Frame, Wait, End, Drained, Stale };
    struct Seek {
        double target = 0;
        double point = 0;   // where reading started
        double backoff = 0; // how far before the target it started
        bool fromRead = false; // the demuxer reads from `point` (else decoding goes forward)
        bool any = false;      // a picture was decoded in this seek
        FrameHandle candidate; // the last picture at or before the target
    };

    void run();
    void startSession();
    void readFrom(double point, double soundFrom);
    void resumeAfterParked();
    void readOnFrom(const FrameHandle& shown);
    void readOnAfterDrain();
    bool drainsAfter(const QueuedPacket& p) const;
    void onDrained();
    void land(const FrameHandle& shown);
    void startFill();
    Got nextFrame(Lock& lk, AVFramePtr& out);
    void send(Lock& lk, const QueuedPacket& p);
    AVDiscard discardFor(const QueuedPacket& p, bool key);
    FrameHandle wrap(AVFramePtr frame);
    std::shared_ptr<VideoFrame> pictureAt(AVFramePtr frame, double position) const;
    bool shortGop() const;
    void previewKeyIfFar();
    void offerKeyPreview(AVFramePtr picture, uint64_t serial);
    void onSeekFrame(const FrameHandle& f);
    bool readEarlier(double keyRead = NAN);
    void onEnd();
    void publish(const FrameHandle& f);
    size_t queuedLocked() const;

    // Video thread (the core's fields under its lock).
    SourceCore& core_;
    const MediaFile& file_;
    SubtitleTrack& subtitles_;
    AVCodecContextPtr codec_;
    AVFramePtr scratch_ = makeFrame();
    AVRational streamAspect_{0, 1};
    // H.264 packets' NAL length size (0: Annex B); -1 for other codecs.
    int h264NalLength_ = -1;
    CaptionDecoder captions_;
    bool captionsOn_ = false;
    bool a53Seen_ = false; // the video carries 608 captions; a subtitle stream is then not used
    uint64_t session_ = UINT64_MAX;
    std::optional<Seek> seek_;
    FrameHandle parked_;     // shown from the ring; the decoder is not positioned after it yet
    FrameHandle lastHanded_; // the last picture queued for the presenter
    double dropUpTo_ = -1e9; // after leaving the ring, pictures up to here were shown already
    bool keySeen_ = false;   // packets before the first key packet of a read are not decoded
    QueuedPacket readKey_;   // that first key packet, until it is decoded on the side or reading starts over
    double keyPosition_ = NAN; // first key picture of a read; earlier (leading) pictures are dropped
    double lastPosition_ = -1; // of the last picture decoded (for pictures without timestamps)
    double decoderAt_ = NAN;   // the last picture decoded since reading started (NaN: none yet)
    double skippedUpTo_ = -1e9; // the latest picture whose packet the decoder was told to skip since then
    bool decoderEnded_ = false;
    bool drained_ = false;     // drained for a seek's target: nothing more is decoded before a new read
    bool ended_ = false;       // the end of the stream was queued in this session
    bool catchingUp_ = false;  // at a fast rate and behind the clock: key pictures only
    // A seek decodes only what its target needs. Once it has landed and the source rests, the pictures
    // before the target are decoded after all (filling_), into the ring only, for stepping back.
    bool fillPending_ = false;
    bool filling_ = false;
    double landedAt_ = 0;        // where the last seek landed
    Clock::time_point restUntil_{}; // ... and until when nothing is decoded after it while not playing
    double fillSkipBefore_ = 0;  // while filling, non-reference pictures before this are not decoded
    std::thread thread_;
    std::unique_ptr<KeyPreview> keyPreview_; // (last: its thread calls into the members above)
};

} // namespace engine::ff
