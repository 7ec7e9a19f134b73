#include "source/VideoStage.h"

#include <algorithm>
#include <utility>

#include "core/H264Units.h"

namespace engine::ff {
namespace {
constexpr size_t kMaxQueuedFrames = 8;
// Seeks to a point this close ahead (and within half a GOP) decode forward instead of reading from
// elsewhere.
constexpr double kForwardDecodeSpan = 2.0;
// Once a seek has landed and the source rests, this much before the target is decoded into the
// recent-frame ring (which keeps about as much) for stepping back.
constexpr double kRingSpan = 1.0;
// Not playing, a seek that has landed is given this long before the pictures around it are decoded: a
// drag or a search sends the next position sooner, and the landed picture is painted meanwhile.
constexpr auto kRestAfterLanding = std::chrono::milliseconds(100);
// From this rate on, non-reference pictures are not decoded (most would be dropped anyway) ...
constexpr double kFastRate = 1.5;
// ... and pictures this far behind the clock (in seconds of wall time) make it decode key pictures only
// until it is back ahead of the clock, so that the picture keeps moving at any rate.
constexpr double kCatchUpSeconds = 0.3;
// Not playing, a seek whose target lies this far after the key picture it reads from shows that key
// picture meanwhile, decoded on the side (see KeyPreview): nearer, or in GOPs shorter than
// kKeyPreviewGop, the target itself comes about as soon.
constexpr double kKeyPreviewLead = 0.2;
constexpr double kKeyPreviewGop = 1.0;
} // namespace

VideoStage::VideoStage(SourceCore& core, const MediaFile& file, SubtitleTrack& subtitles)
    : core_(core), file_(file), subtitles_(subtitles), codec_(openDecoder(*file.videoStream(), 0)) {
    streamAspect_ = av_guess_sample_aspect_ratio(file.format(), const_cast<AVStream*>(file.videoStream()), nullptr);
    if (const AVCodecParameters& par = *file.videoStream()->codecpar; par.codec_id == AV_CODEC_ID_H264)
        h264NalLength_ = avccLengthSize(par.extradata, par.extradata_size);
    // (Opened here, while the stream is the demuxer's own: a fragmented MP4's demuxer is opened again later.)
    if (AVCodecContextPtr keyCodec = codec_ ? openDecoder(*file.videoStream(), 1) : nullptr)
        keyPreview_ = std::make_unique<KeyPreview>(std::move(keyCodec), [this](AVFramePtr picture, uint64_t serial) {
            offerKeyPreview(std::move(picture), serial);
        });
    thread_ = std::thread([this] { run(); });
}

VideoStage::~VideoStage() {
    if (thread_.joinable())
        thread_.join();
}

size_t VideoStage::queuedLocked() const {
    return size_t(std::count_if(core_.frames.begin(), core_.frames.end(), [](auto& q) { return bool(q.frame); }));
}

void VideoStage::run() {
    Lock lk(core_.m);
    while (!core_.quit) {
        // A drained decoder first hands out what it holds: decoding is done, but the landed picture is
        // still being presented, and reading ahead or decoding sound meanwhile delayed it (0.5 ms on average,
        // 1.7 ms at the 95th percentile of MXF seeks).
        const bool paused = core_.state != kStateRunning;
        const bool handingOut = paused && drained_ && !decoderEnded_;
        const bool resting = paused && !seek_ && !handingOut && Clock::now() < restUntil_;
        if (const bool holdOthers = seek_ || resting || handingOut; core_.seeking != holdOthers) {
            core_.seeking = holdOthers;
            core_.wakeWorker.notify_all(); // the read-ahead held back for the seek goes on
        }
        if (core_.session.load() != session_) {
            startSession();
            continue;
        }
        if (resting) {
            core_.wakeWorker.wait_until(lk, restUntil_);
            continue;
        }
        if (parked_) {
            if (core_.state != kStateRunning) {
                core_.wakeWorker.wait(lk);
                continue;
            }
            resumeAfterParked();
            continue;
        }
        if (core_.state == kStateRunning)
            fillPending_ = false; // playing on: the pictures before the seek's target are not wanted
        if (drained_ && !seek_ && (decoderEnded_ || core_.state == kStateRunning)) {
            readOnAfterDrain();
            continue;
        }
        if (!codec_ || ended_ || (!seek_ && !filling_ && queuedLocked() >= kMaxQueuedFrames)) {
            if (fillPending_ && codec_ && core_.state != kStateRunning) {
                startFill();
                continue;
            }
            core_.wakeWorker.wait(lk);
            continue;
        }
        AVFramePtr frame;
        switch (nextFrame(lk, frame)) {
        case Got::Frame:
            ++core_.picturesDecoded;
            if (FrameHandle f = wrap(std::move(frame))) {
                core_.ring.add(f);
                core_.duration = std::max(core_.duration, f->position + f->duration);
                if (filling_ && f->position > dropUpTo_)
                    filling_ = false;
                if (seek_)
                    onSeekFrame(f);
                else if (!drained_) // (after a drain, the pictures after the target are not all there)
                    publish(f);
            }
            break;
        case Got::Wait: // the lock was let go while decoding: what woke us may have come meanwhile
            core_.wakeWorker.wait(lk, [&] {
                return core_.quit || core_.session.load() != session_ || !core_.videoPackets.empty();
            });
            break;
        case Got::End:
            onEnd();
            break;
        case Got::Drained:
            onDrained();
            break;
        case Got::Stale:
            break;
        }
    }
}

void VideoStage::startSession() {
    session_ = core_.session.load();
    const double target = core_.target;
    if (core_.captions != captionsOn_) {
        core_.ring.clear(); // its pictures lack (or carry) captions
        captionsOn_ = core_.captions;
        if (!captionsOn_)
            lastHanded_.reset();
    }
    parked_.reset();
    const std::optional<Seek> reading = std::exchange(seek_, std::nullopt);
    ended_ = false;
    dropUpTo_ = -1e9;
    fillPending_ = filling_ = false;
    if (FrameHandle hit = core_.ring.find(target)) {
        core_.frames.push_back({session_, hit});
        core_.wakePresenter.notify_all();
        parked_ = hit;
        return;
    }
    const double tol = frameTolerance(file_.info().frameDuration);
    // Decoding on from where the decoder stands costs the pictures up to the target; a new read only
    // the references from the key picture before it. So decoding goes on when no key picture lies
    // between (with every key picture of the clip known, that settles it; else only within half a GOP),
    // and the target was not among the pictures skipped meanwhile (not decoded, and never will be).
    // A seek under way (a drag over the position bar sends many) stands where it reads from until it
    // has decoded a picture; it goes on for the new target, as a seek.
    const bool readingOn = reading && reading->fromRead;
    double at = decoderAt_;
    if (std::isnan(at) && readingOn && !reading->any)
        at = core_.keys.complete() ? core_.keys.atOrBefore(reading->point + tol) : reading->point;
    const double gop = core_.keys.gopSeconds();
    const double span = gop > 0 ? std::min(kForwardDecodeSpan, gop / 2) : kForwardDecodeSpan;
    // (The sound read since is kept: it must reach back to the target.)
    const bool goesOn = !std::isnan(at) && !decoderEnded_ && !drained_ && target > at + tol &&
                        target >= core_.audioFloor &&
                        skippedUpTo_ < target - tol && !core_.keys.anyAfter(at + tol, target + tol) &&
                        (core_.keys.complete() || target < at + span);
    if (goesOn && readingOn) {
        seek_ = reading;
        seek_->target = target;
        previewKeyIfFar();
        return;
    }
    seek_ = Seek{target, target, 0, !goesOn, false, nullptr};
    if (!goesOn)
        readFrom(target, std::max(0.0, target - file_.info().frameDuration));
}

void VideoStage::readFrom(double point, double soundFrom) {
    // At or before the first picture, reading starts at the beginning of the file (a seek to the first
    // timestamp of a transport stream may land after its first key picture).
    core_.readFromLocked(point <= frameTolerance(file_.info().frameDuration) ? -1 : point, soundFrom);
    if (codec_)
        avcodec_flush_buffers(codec_.get());
    captions_.reset();
    keySeen_ = decoderEnded_ = drained_ = false;
    readKey_ = {};
    decoderAt_ = NAN;
    skippedUpTo_ = -1e9;
    keyPosition_ = NAN;
}

void VideoStage::startFill() {
    fillPending_ = false;
    const double dur = file_.info().frameDuration;
    // Only while the landed picture is what the source still shows (it has not played on since).
    if (ended_ || !lastHanded_ || landedAt_ < dur || std::abs(core_.position - landedAt_) > frameTolerance(dur) ||
        core_.ring.find(landedAt_ - dur))
        return;
    // Reading starts over before the target; what was queued for the presenter stays, and decoding
    // goes on after it once the fill has caught up. The sound is read again from the picture shown.
    filling_ = true;
    fillSkipBefore_ = landedAt_ - kRingSpan;
    dropUpTo_ = lastHanded_->position + frameTolerance(lastHanded_->duration);
    readFrom(std::max(0.0, landedAt_ - kRingSpan), landedAt_);
}

void VideoStage::resumeAfterParked() {
    readOnFrom(std::exchange(parked_, nullptr));
}

void VideoStage::readOnFrom(const FrameHandle& shown) {
    // Read from the shown picture itself so that its sound comes along; the picture is not repeated.
    seek_ = Seek{shown->position, shown->position, 0, true, false, nullptr};
    dropUpTo_ = shown->position + frameTolerance(shown->duration);
    readFrom(shown->position, shown->position);
}

void VideoStage::readOnAfterDrain() {
    if (core_.state != kStateRunning && fillPending_) {
        startFill();
        if (filling_)
            return;
    }
    if (lastHanded_) {
        readOnFrom(lastHanded_);
        return;
    }
    drained_ = false; // nothing was shown at all: as at the end of the stream
    onEnd();
}

bool VideoStage::drainsAfter(const QueuedPacket& p) const {
    if (!seek_ || !seek_->fromRead || core_.state == kStateRunning || seek_->target <= dropUpTo_)
        return false;
    const double dur = file_.info().frameDuration, tol = frameTolerance(dur);
    // A whole picture (not one field of it) whose span holds the target.
    return p.end - p.start > dur * 0.75 && p.start <= seek_->target + tol && p.start + dur > seek_->target + tol;
}

void VideoStage::onDrained() {
    if (seek_ && !seek_->any && readEarlier())
        return;
    if (seek_) { // the target never came out (a picture that could not be decoded): the nearest before it
        const FrameHandle shown = seek_->candidate ? seek_->candidate : lastHanded_;
        seek_.reset();
        if (shown)
            land(shown);
    }
}

VideoStage::Got VideoStage::nextFrame(Lock& lk, AVFramePtr& out) {
    for (;;) {
        if (core_.quit || core_.session.load() != session_)
            return Got::Stale;
        lk.unlock();
        const int rc = avcodec_receive_frame(codec_.get(), scratch_.get());
        lk.lock();
        if (rc == 0) {
            out = makeFrame();
            av_frame_move_ref(out.get(), scratch_.get());
            return Got::Frame;
        }
        if (rc != AVERROR(EAGAIN)) {
            decoderEnded_ = true;
            return drained_ ? Got::Drained : Got::End;
        }
        if (core_.videoPackets.empty())
            return Got::Wait;
        const QueuedPacket p = core_.videoPackets.pop();
        core_.wakeWorker.notify_all();
        if (p.serial == core_.demuxSerial)
            send(lk, p);
    }
}

void VideoStage::send(Lock& lk, const QueuedPacket& p) {
    if (!p.packet) {
        lk.unlock();
        avcodec_send_packet(codec_.get(), nullptr);
        lk.lock();
        return;
    }
    const bool key = p.packet->flags & AV_PKT_FLAG_KEY;
    if (!keySeen_ && !key)
        return;
    // The first key picture read for a seek is shown after its target: nothing before it can be decoded.
    if (!keySeen_ && seek_ && !seek_->any && p.end > p.start &&
        p.start > seek_->target + frameTolerance(file_.info().frameDuration) && readEarlier(p.start))
        return;
    if (!keySeen_ && key) {
        readKey_ = {p.serial, AVPacketPtr(av_packet_clone(p.packet.get())), p.start, p.end};
        previewKeyIfFar();
    }
    keySeen_ = true;
    codec_->skip_frame = discardFor(p, key);
    if (codec_->skip_frame != AVDISCARD_DEFAULT)
        skippedUpTo_ = std::max(skippedUpTo_, p.start);
    // A frame-threaded decoder hands the packets to its threads in turn, a picture it drops too: that
    // thread's turn then comes only when its previous picture is done, so each reference picture of a
    // seek waited for the one before instead of being decoded beside it.
    if (codec_->skip_frame >= AVDISCARD_NONREF && h264NalLength_ >= 0 &&
        isDisposablePicture(p.packet->data, p.packet->size, h264NalLength_))
        return;
    const bool drain = drainsAfter(p);
    lk.unlock();
    avcodec_send_packet(codec_.get(), p.packet.get()); // a damaged packet is skipped
    // Not playing, a seek's target comes out as soon as its packet is in: the decoder is drained rather
    // than fed the pictures after it, which a frame-threaded decoder, or one putting B pictures back in
    // order, waits for. What comes after is decoded from a new read once the seek has landed.
    if (drain)
        avcodec_send_packet(codec_.get(), nullptr);
    lk.lock();
    drained_ = drained_ || drain;
}

AVDiscard VideoStage::discardFor(const QueuedPacket& p, bool key) {
    const bool timed = p.end > p.start || p.start != 0;
    const double dur = file_.info().frameDuration;
    // A picture that ends before the target is only needed as a reference.
    if (seek_) {
        const double before = seek_->target + frameTolerance(dur) - (seek_->fromRead ? 0 : kRingSpan);
        return timed && p.start + dur <= before ? AVDISCARD_NONREF : AVDISCARD_DEFAULT;
    }
    if (filling_)
        return timed && p.start + dur < fillSkipBefore_ ? AVDISCARD_NONREF : AVDISCARD_DEFAULT;
    const double rate = core_.rate;
    const bool fast = rate > kFastRate && core_.state == kStateRunning;
    const bool behind = fast && timed && core_.clockPosition - p.start > kCatchUpSeconds * rate;
    if (behind)
        catchingUp_ = true;
    else if (catchingUp_ && key) // only a key picture can start decoding everything again
        catchingUp_ = false;
    if (catchingUp_)
        return AVDISCARD_NONKEY;
    return fast ? AVDISCARD_NONREF : AVDISCARD_DEFAULT;
}

FrameHandle VideoStage::wrap(AVFramePtr frame) {
    const double dur = file_.info().frameDuration;
    const double tol = frameTolerance(dur);
    const int64_t ts = frame->best_effort_timestamp;
    const double pos = ts != AV_NOPTS_VALUE ? file_.videoTime().seconds(ts) : lastPosition_ + dur;
    lastPosition_ = pos;
    decoderAt_ = pos;
    if (std::isnan(keyPosition_)) {
        if (!frame->key_frame && frame->pict_type != AV_PICTURE_TYPE_I)
            return nullptr;
        keyPosition_ = pos;
    }
    if (pos < keyPosition_ - tol || pos < -tol)
        return nullptr; // leading pictures of an open GOP

    std::shared_ptr<VideoFrame> vf = pictureAt(std::move(frame), pos);
    if (captionsOn_) {
        if (av_frame_get_side_data(vf->frame.get(), AV_FRAME_DATA_A53_CC))
            a53Seen_ = true;
        captions_.feedFrame(*vf->frame, pos);
        vf->caption = a53Seen_ || !subtitles_.ok() ? captions_.screenAt(pos) : subtitles_.screenAt(pos);
    }
    return vf;
}

std::shared_ptr<VideoFrame> VideoStage::pictureAt(AVFramePtr frame, double position) const {
    const double dur = file_.info().frameDuration;
    auto vf = std::make_shared<VideoFrame>();
    AVRational sar = frame->sample_aspect_ratio;
    if (sar.num <= 0 || sar.den <= 0)
        sar = streamAspect_;
    if (sar.num <= 0 || sar.den <= 0)
        sar = {1, 1};
    vf->position = position;
    vf->duration = dur;
    vf->index = std::llround(position / dur);
    vf->sampleAspect = sar;
    vf->interlaced = frame->interlaced_frame;
    vf->topFieldFirst = frame->top_field_first;
    vf->frame = std::move(frame);
    return vf;
}

void VideoStage::previewKeyIfFar() {
    const QueuedPacket& key = readKey_;
    if (!key.packet || !keyPreview_ || !seek_ || !seek_->fromRead || seek_->any || core_.state == kStateRunning ||
        key.end <= key.start || seek_->target - key.start < kKeyPreviewLead)
        return;
    if (shortGop())
        return;
    const FrameHandle near = core_.ring.nearestBefore(seek_->target, seek_->target - key.start);
    if (!near || near->position < key.start)
        keyPreview_->decode(*key.packet, key.serial);
    readKey_ = {}; // once per read
}

// In a short GOP the target comes about as soon as a picture from its start would: drawing that one as
// well would only hold the target back (the drawing shares the cores with its decoding).
bool VideoStage::shortGop() const {
    const double gop = core_.keys.gopSeconds();
    return gop > 0 && gop < kKeyPreviewGop;
}

// On the key preview's thread.
void VideoStage::offerKeyPreview(AVFramePtr picture, uint64_t serial) {
    const int64_t ts = picture->best_effort_timestamp;
    if (ts == AV_NOPTS_VALUE)
        return;
    const FrameHandle f = pictureAt(std::move(picture), file_.videoTime().seconds(ts));
    Lock lk(core_.m);
    // Only while the read it came from still waits for its first picture.
    if (core_.quit || serial != core_.demuxSerial || !seek_ || seek_->any || core_.state == kStateRunning ||
        f->position > seek_->target)
        return;
    core_.offerSeekPreviewLocked(f, session_);
}

void VideoStage::onSeekFrame(const FrameHandle& f) {
    Seek& s = *seek_;
    const double tol = frameTolerance(f->duration);
    if (!s.any && f->position > s.target + tol && readEarlier())
        return;
    if (!s.any && s.fromRead && f->position + f->duration <= s.target && core_.state != kStateRunning &&
        !shortGop()) {
        core_.offerSeekPreviewLocked(f, session_); // the target's GOP starts here: shown while the rest is decoded
    }
    s.any = true;
    // Pictures come in display order: the one whose span holds the target is the one to show.
    const bool holdsTarget = f->position <= s.target + tol && f->position + f->duration > s.target + tol;
    if (f->position <= s.target + tol && !holdsTarget) {
        s.candidate = f;
        return;
    }
    const FrameHandle shown = holdsTarget || !s.candidate ? f : s.candidate;
    seek_.reset();
    land(shown);
    if (shown != f)
        publish(f);
}

void VideoStage::land(const FrameHandle& shown) {
    landedAt_ = shown->position;
    restUntil_ = Clock::now() + kRestAfterLanding;
    fillPending_ = true;
    publish(shown);
}

// Reading for the seek started after its target (the index pointed past the key picture before it, or
// the target is among the pictures an open GOP shows before its key picture, which are decoded from the
// GOP before): it starts again earlier. The first time, when the key picture read (`keyRead`) and the GOP
// length are known, at the key picture a GOP before it; else further back each time.
bool VideoStage::readEarlier(double keyRead) {
    Seek& s = *seek_;
    if (!s.fromRead || s.point <= 0)
        return false;
    const double gop = core_.keys.gopSeconds();
    const double tol = frameTolerance(file_.info().frameDuration);
    const bool gopBefore = s.backoff == 0 && gop > 0 && !std::isnan(keyRead) && keyRead - gop <= s.target + tol;
    s.backoff = s.backoff == 0 ? 1.0 : s.backoff * 2;
    s.point = std::max(0.0, gopBefore ? keyRead - gop + tol : s.target - s.backoff);
    readFrom(s.point, std::max(0.0, s.target - file_.info().frameDuration));
    return true;
}

void VideoStage::onEnd() {
    filling_ = false;
    if (seek_ && !seek_->any && readEarlier())
        return;
    if (seek_) { // past the end: the last picture
        const FrameHandle shown = seek_->candidate ? seek_->candidate : lastHanded_;
        seek_.reset();
        if (shown)
            publish(shown);
    }
    core_.frames.push_back({session_, nullptr});
    ended_ = true;
    core_.wakePresenter.notify_all();
}

void VideoStage::publish(const FrameHandle& f) {
    if (f->position <= dropUpTo_)
        return;
    core_.frames.push_back({session_, f});
    lastHanded_ = f;
    core_.wakePresenter.notify_all();
}

} // namespace engine::ff
