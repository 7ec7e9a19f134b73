#include "smartcut/CopyExport.h"

#include <cmath>

#include "engine/OperatorTexts.h"
#include "source/ClipSound.h"
#include "writer/AudioEncoder.h"

namespace engine::ff {

CopyExport::CopyExport(CutRequest request, bool pacesSource, int sourceState, bool copySound,
                       std::unique_ptr<AudioEncoder> encoder)
    : request_(std::move(request)), pacesSource_(pacesSource), running_(sourceState == 3),
      encoder_(std::move(encoder)) {
    keepPacket_ = [this](AVPacket* p) {
        AVPacketPtr kept = makePacket();
        av_packet_move_ref(kept.get(), p);
        soundPackets_.push_back(std::move(kept));
        return QString();
    };
    if (!copySound)
        sound_ = [this](double from, double to, std::vector<AudioSpan>& out) {
            return routedSound(from, to, out);
        };
}

CopyExport::~CopyExport() {
    end();
    if (cutter_.joinable())
        cutter_.join();
}

void CopyExport::onVideo(const FrameHandle& frame) {
    if (!frame)
        return;
    std::lock_guard lock(mutex_);
    // The picture shown at the start, then each new one while the source runs.
    if (first_ < 0) {
        first_ = last_ = frame->index;
        firstShown_ = lastShown_ = frame->position;
        lastPosition_ = frame->position;
        if (encoder_)
            placement_.anchor(*encoder_, frame->position, 0);
    } else if (running_ && frame->index > last_) {
        if (frame->index != last_ + 1)
            jumped_ = true;
        last_ = frame->index;
        lastShown_ = frame->position;
        lastPosition_ = frame->position;
    }
    if (QString e = releaseSound(); !e.isEmpty())
        soundError_ = e;
}

void CopyExport::onAudio(const AudioHandle& block) {
    if (!block || !encoder_)
        return;
    std::lock_guard lock(mutex_);
    if (jumped_ || !soundError_.isEmpty())
        return;
    placement_.add(block);
    if (QString e = releaseSound(); !e.isEmpty())
        soundError_ = e;
}

// Encodes the sound up to the start of the last frame played, which the export surely holds.
QString CopyExport::releaseSound() {
    if (!encoder_ || !placement_.anchored() || jumped_ || !soundError_.isEmpty())
        return {};
    const int64_t limit = std::llround((lastShown_ - firstShown_) * AudioEncoder::kInputRate);
    return encoder_->release(limit, keepPacket_);
}

QString CopyExport::routedSound(double fromSeconds, double toSeconds, std::vector<AudioSpan>& out) {
    if (!encoder_)
        return {};
    if (!soundError_.isEmpty())
        return soundError_;
    // The exported frames start at the anchoring picture; the sound ends with the last one, to the sample.
    const int64_t total = std::llround((toSeconds - fromSeconds) * AudioEncoder::kInputRate);
    if (rangeTaken_) {
        // Nothing was played: the sound is read from the clip as the source would route it.
        placement_.anchor(*encoder_, fromSeconds, 0);
        const QString e = readClipSound(
            request_.source, channelMap_, fromSeconds, toSeconds,
            [&](const AudioHandle& block) {
                placement_.add(block);
                const double end = block->position + double(block->frames()) / block->sampleRate;
                return encoder_->release(std::llround((end - fromSeconds) * AudioEncoder::kInputRate), keepPacket_);
            },
            [this] { return abandoned(); });
        if (!e.isEmpty())
            return e;
    }
    if (QString e = encoder_->finish(total, keepPacket_); !e.isEmpty())
        return e;
    AudioSpan span;
    span.encoder = std::shared_ptr<const AVCodecContext>(encoder_, encoder_->context());
    span.packets = std::move(soundPackets_);
    out.push_back(std::move(span));
    return {};
}

void CopyExport::onSourceState(int state, bool discontinuity) {
    std::lock_guard lock(mutex_);
    running_ = state == 3;
    if (discontinuity && first_ >= 0)
        jumped_ = true;
}

void CopyExport::endOnce() {
    cutter_ = std::thread([this] {
        const CutOutcome result = cut();
        conclude({result.ok, result.text});
    });
}

void CopyExport::takeRange(const QString& clip, double inSeconds, double outSeconds, std::vector<int> channelMap) {
    std::lock_guard lock(mutex_);
    channelMap_ = std::move(channelMap);
    request_.source = clip;
    request_.bySeconds = true;
    request_.inSeconds = inSeconds;
    request_.outSeconds = outSeconds;
    rangeTaken_ = true;
}

void CopyExport::refuse(const QString& reason) {
    std::lock_guard lock(mutex_);
    refusal_ = reason;
}

CutOutcome CopyExport::cut() {
    std::lock_guard lock(mutex_);
    CutControl control;
    control.progress = [this](double done) { finished_ = std::min(done, 0.99); };
    control.abandoned = [this] { return abandoned(); };
    if (!refusal_.isEmpty())
        return {false, false, 0, refusal_};
    if (rangeTaken_)
        return smartCut(request_, sound_, control);
    if (first_ < 0)
        return {false, false, 0, texts::nothingRecorded()};
    if (jumped_)
        return {false, false, 0, texts::sourceJumped()};
    request_.in = first_;
    request_.out = last_ + 1;
    return smartCut(request_, sound_, control);
}

} // namespace engine::ff
