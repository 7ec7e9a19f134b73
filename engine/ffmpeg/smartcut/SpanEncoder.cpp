#include "smartcut/SpanEncoder.h"

#include <cmath>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "core/AvError.h"
#include "core/CodecThreads.h"
#include "engine/OperatorTexts.h"
#include "smartcut/Codecs.h"
#include "smartcut/Mpeg2Units.h"

extern "C" {
#include <libavutil/opt.h>
}

namespace engine::ff {
namespace {

// Where decoding must start so that every frame from `from` on comes out whole.
int decodeStart(const SourceIndex& index, int64_t from) {
    int splice = -1;
    std::vector<int> keys;
    for (size_t i = 0; i < index.packets.size(); ++i) {
        const auto& p = index.packets[i];
        if (p.display > from)
            continue;
        if (p.splice)
            splice = int(i);
        if (p.key)
            keys.push_back(int(i));
    }
    // An open GOP's leading pictures refer to the GOP before: one key frame earlier than the last does.
    const int keyBefore = keys.size() >= 2 ? keys[keys.size() - 2] : keys.empty() ? 0 : keys.back();
    // H.264 may refer back to anything since its last IDR. MPEG-2 refers to no picture before the
    // previous anchor, so the key frame before suffices there even when a clean splice point lies far
    // back (an open-GOP recording is closed only at its start).
    if (splice >= 0 && (index.codec != AV_CODEC_ID_MPEG2VIDEO || splice >= keyBefore))
        return splice;
    return keyBefore;
}

QString h264Profile(int profile) {
    switch (profile) {
    case FF_PROFILE_H264_BASELINE:
    case FF_PROFILE_H264_CONSTRAINED_BASELINE:
        return QStringLiteral("baseline");
    case FF_PROFILE_H264_MAIN:
        return QStringLiteral("main");
    case FF_PROFILE_H264_HIGH_10:
        return QStringLiteral("high10");
    case FF_PROFILE_H264_HIGH_422:
        return QStringLiteral("high422");
    default:
        return QStringLiteral("high");
    }
}

uint16_t* matrixCopy(const std::vector<uint16_t>& m) {
    auto* out = static_cast<uint16_t*>(av_malloc(64 * sizeof(uint16_t)));
    std::copy(m.begin(), m.end(), out);
    return out;
}

// Pictures the MPEG-2 decoder takes as the source's own: the same quantiser matrices and DC precision
// (the sequence header itself is replaced by the source's), GOP timecodes that go on from the source's.
void matchMpeg2(const SourceIndex& index, int64_t firstFrame, const std::optional<SpanRate>& rate,
                AVCodecContext* enc, AVDictionary** opts) {
    const QuantMatrices matrices = quantMatricesOf(index.sequenceHeader);
    if (!matrices.intra.empty())
        enc->intra_matrix = matrixCopy(matrices.intra);
    if (!matrices.nonIntra.empty())
        enc->inter_matrix = matrixCopy(matrices.nonIntra);
    if (index.intraDcPrecision >= 0)
        enc->intra_dc_precision = index.intraDcPrecision;
    if (const QString tc = index.timecodeAt(firstFrame); !tc.isEmpty())
        av_dict_set(opts, "gop_timecode", tc.toLatin1().constData(), 0);
    av_dict_set(opts, "non_linear_quant", "1", 0); // whose finest step is half the linear scale's
    enc->qmin = 1;
    enc->qmax = 28; // as far as the non-linear scale goes here
    if (rate && rate->quantiser <= 0) {
        // The source's constant rate into a buffer that keeps back what the span must leave for the
        // pictures after it: the encoder's own model then keeps the span inside the source's buffer.
        const double usable = std::max(rate->buffer.size - rate->endLevel, 2 * rate->buffer.perFrame());
        enc->flags &= ~AV_CODEC_FLAG_QSCALE;
        enc->bit_rate = enc->rc_min_rate = enc->rc_max_rate = int64_t(rate->buffer.bitRate * rate->rateScale);
        enc->rc_buffer_size = int(usable);
        enc->rc_initial_buffer_occupancy =
            int(std::clamp(rate->startLevel - rate->endLevel, rate->buffer.perFrame(), usable));
    } else {
        // A fixed quantiser, the finest unless the buffer asks for a coarser one: re-encoded pictures sit
        // between copied ones and must not stand out.
        enc->global_quality = int(FF_QP2LAMBDA * (rate ? rate->quantiser : 1));
    }
    if (lowDelayOf(index.sequenceHeader)) {
        enc->max_b_frames = 0; // a low-delay stream holds no B pictures
        enc->flags |= AV_CODEC_FLAG_LOW_DELAY;
    }
    enc->flags |= AV_CODEC_FLAG_CLOSED_GOP;
    av_dict_set(opts, "sc_threshold", "1000000000", 0); // closed GOPs only at fixed places
    av_dict_set(opts, "mpv_flags", "+strict_gop", 0);   // and of the full length
}

AVCodecContextPtr openMatchedEncoder(const SourceIndex& index, const AVCodecParameters* src,
                                     const AVFrame* first, int64_t firstFrame, int parameterSetId,
                                     int64_t frames, const SpanOutput& output, QString& error) {
    const bool h264 = src->codec_id == AV_CODEC_ID_H264;
    const AVCodec* codec =
        h264 ? avcodec_find_encoder_by_name("libx264") : avcodec_find_encoder(src->codec_id);
    if (!codec) {
        error = texts::noEncoderForSource(avcodec_get_name(src->codec_id));
        return nullptr;
    }
    AVCodecContextPtr enc(avcodec_alloc_context3(codec));
    enc->width = first->width;
    enc->height = first->height;
    enc->pix_fmt = AVPixelFormat(first->format);
    enc->time_base = av_inv_q(index.frameRate);
    enc->framerate = index.frameRate;
    enc->sample_aspect_ratio = src->sample_aspect_ratio;
    enc->color_primaries = src->color_primaries;
    enc->color_trc = src->color_trc;
    enc->colorspace = src->color_space;
    enc->color_range = src->color_range;
    enc->chroma_sample_location = src->chroma_location;
    enc->field_order = src->field_order;
    if (src->field_order != AV_FIELD_PROGRESSIVE && src->field_order != AV_FIELD_UNKNOWN)
        enc->flags |= AV_CODEC_FLAG_INTERLACED_DCT | AV_CODEC_FLAG_INTERLACED_ME;
    enc->profile = src->profile;
    enc->level = src->level;
    enc->thread_count = codecThreads(h264 ? output.threads : 0);
    if (output.globalHeader)
        enc->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    AVDictionary* opts = nullptr;
    if (h264) {
        // One IDR at the start of the span, the rest predicted; quality well above the copied part's so
        // the seam does not show.
        enc->gop_size = int(std::min<int64_t>(frames + 1, 10000));
        enc->max_b_frames = 0;
        av_dict_set(&opts, "profile", h264Profile(src->profile).toUtf8().constData(), 0);
        av_dict_set(&opts, "preset", "superfast", 0);
        av_dict_set(&opts, "crf", "12", 0);
        const QByteArray params = QStringLiteral("sps-id=%1:scenecut=0:trellis=0%2")
                                      .arg(parameterSetId)
                                      .arg(enc->flags & AV_CODEC_FLAG_INTERLACED_DCT ? ":tff=1" : "")
                                      .toUtf8();
        av_dict_set(&opts, "x264-params", params.constData(), 0);
        if (index.bitRate > 0) {
            enc->rc_max_rate = index.bitRate * 4;
            enc->rc_buffer_size = int(std::min<int64_t>(index.bitRate * 4, INT32_MAX));
        }
    } else {
        // Constant fine quantiser: a re-encoded stretch must not look worse than the source. No rate
        // ceiling: the encoder would encode every picture over the ceiling again, several times.
        enc->flags |= AV_CODEC_FLAG_QSCALE;
        enc->global_quality = FF_QP2LAMBDA * 2;
        enc->bit_rate = index.bitRate;
        enc->gop_size = 12;
        enc->max_b_frames = 2;
        if (src->codec_id == AV_CODEC_ID_MPEG2VIDEO)
            matchMpeg2(index, firstFrame, output.rate, enc.get(), &opts);
    }
    const int rc = avcodec_open2(enc.get(), codec, &opts);
    av_dict_free(&opts);
    if (rc < 0) {
        error = texts::cannotSetUpEncoder(codec->name, avErrorText(rc));
        return nullptr;
    }
    return enc;
}

} // namespace

std::vector<uint8_t> matchedSequenceHeader(const SourceIndex& index, const AVCodecParameters* src,
                                           QString& error) {
    AVFramePtr blank = makeFrame();
    blank->width = src->width;
    blank->height = src->height;
    blank->format = src->format;
    if (int rc = av_frame_get_buffer(blank.get(), 0); rc < 0) {
        error = texts::cannotMakeEncoderPicture(avErrorText(rc));
        return {};
    }
    for (int plane = 0; plane < AV_NUM_DATA_POINTERS && blank->buf[plane]; ++plane)
        std::fill_n(blank->buf[plane]->data, blank->buf[plane]->size, uint8_t(128));
    blank->pts = 0;
    AVCodecContextPtr enc = openMatchedEncoder(index, src, blank.get(), 0, 1, 1, SpanOutput{}, error);
    if (!enc)
        return {};
    if (enc->flags & AV_CODEC_FLAG_QSCALE)
        blank->quality = enc->global_quality;
    std::vector<AVPacketPtr> packets;
    if (int rc = avcodec_send_frame(enc.get(), blank.get()); rc < 0) {
        error = texts::encodingFailed(avErrorText(rc));
        return {};
    }
    avcodec_send_frame(enc.get(), nullptr);
    if (QString e = takeEncodedPackets(enc.get(), packets); !e.isEmpty() || packets.empty()) {
        error = e.isEmpty() ? texts::encoderGaveNoPicture() : e;
        return {};
    }
    return sequenceHeaderOf(packets.front()->data, packets.front()->size);
}

// Encodes into `encoder`, which the caller may keep.
static QString encodeSpanWith(const SourceIndex& index, int64_t from, int64_t to, int64_t origin,
                              int parameterSetId, const SpanOutput& output, AVCodecContextPtr* encoder);

QString encodeSpan(const SourceIndex& index, int64_t from, int64_t to, int64_t origin, int parameterSetId,
                   EncodedSpan& out, int threads, const std::optional<SpanRate>& rate) {
    SpanOutput keep;
    keep.threads = threads;
    keep.rate = rate;
    keep.opened = [&](AVCodecContext*) { return QString(); };
    keep.packet = [&](AVPacketPtr p) {
        out.packets.push_back(std::move(p));
        return QString();
    };
    return encodeSpanWith(index, from, to, origin, parameterSetId, keep, &out.encoder);
}

QString encodeSpan(const SourceIndex& index, int64_t from, int64_t to, int64_t origin, int parameterSetId,
                   const SpanOutput& output) {
    AVCodecContextPtr encoder;
    return encodeSpanWith(index, from, to, origin, parameterSetId, output, &encoder);
}

// The span's pictures, decoded on a thread of their own while the caller's thread encodes them: a few
// pictures are handed over at a time.
class SpanDecoder {
  public:
    SpanDecoder(const SourceIndex& index, int64_t from, int64_t to, int64_t origin, int threads)
        : index_(index), from_(from), to_(to), origin_(origin), threads_(threads) {}
    ~SpanDecoder() {
        stop();
        if (thread_.joinable())
            thread_.join();
    }
    QString open() {
        QString error;
        start_ = decodeStart(index_, from_);
        skippedBefore_ = start_;
        while (skippedBefore_ + 1 < int(index_.packets.size()) &&
               index_.packets[size_t(skippedBefore_) + 1].display < from_)
            ++skippedBefore_;
        in_ = openClipBefore(index_, start_, next_, error);
        if (!in_)
            return error;
        dec_ = openStreamDecoder(in_->streams[index_.videoStream], error, threads_);
        if (!dec_)
            return error;
        thread_ = std::thread([this] { finish(run()); });
        return {};
    }
    const AVCodecParameters* parameters() const { return in_->streams[index_.videoStream]->codecpar; }
    // The next picture of the span, pts in frames from the export's first; null at the end, after which
    // error() tells whether all came.
    AVFramePtr take() {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return !frames_.empty() || done_; });
        if (frames_.empty())
            return nullptr;
        AVFramePtr f = std::move(frames_.front());
        frames_.pop_front();
        changed_.notify_all();
        return f;
    }
    QString error() {
        std::lock_guard lock(mutex_);
        return error_;
    }
    void stop() {
        std::lock_guard lock(mutex_);
        stopped_ = true;
        changed_.notify_all();
    }

  private:
    static constexpr size_t kHandedAtOnce = 4;

    bool put(AVFramePtr f) {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return frames_.size() < kHandedAtOnce || stopped_; });
        if (stopped_)
            return false;
        frames_.push_back(std::move(f));
        changed_.notify_all();
        return true;
    }
    void finish(QString error) {
        std::lock_guard lock(mutex_);
        error_ = std::move(error);
        done_ = true;
        changed_.notify_all();
    }
    bool stopped() {
        std::lock_guard lock(mutex_);
        return stopped_;
    }
    // Hands over every decoded picture inside the span; false once the taker has stopped.
    bool handOver(int64_t& taken) {
        const double ticksPerFrame = av_q2d(av_inv_q(index_.frameRate)) / av_q2d(index_.timeBase);
        for (AVFramePtr frame = makeFrame(); avcodec_receive_frame(dec_.get(), frame.get()) >= 0;
             frame = makeFrame()) {
            const int64_t display =
                std::llround(double(frame->best_effort_timestamp - index_.firstPts) / ticksPerFrame);
            if (display < from_ || display >= to_)
                continue;
            frame->pts = display - origin_;
            frame->pict_type = AV_PICTURE_TYPE_NONE; // the encoder chooses; one IDR at the start
            if (!put(std::move(frame)))
                return false;
            ++taken;
        }
        return true;
    }
    QString run() {
        int64_t taken = 0;
        AVPacketPtr pkt = makePacket();
        int position = next_ - 1;
        while (taken < to_ - from_ && !stopped() && av_read_frame(in_.get(), pkt.get()) >= 0) {
            if (pkt->stream_index == index_.videoStream && ++position >= start_) {
                dec_->skip_frame = position < skippedBefore_ ? AVDISCARD_NONREF : AVDISCARD_DEFAULT;
                avcodec_send_packet(dec_.get(), pkt.get()); // a damaged packet costs its picture, counted
                if (!handOver(taken))
                    return {};
            }
            av_packet_unref(pkt.get());
        }
        if (taken < to_ - from_) {
            avcodec_send_packet(dec_.get(), nullptr);
            if (!handOver(taken))
                return {};
        }
        if (taken != to_ - from_)
            return texts::onlySomeFramesDecoded(taken, to_ - from_, from_);
        return {};
    }

    const SourceIndex& index_;
    const int64_t from_, to_, origin_;
    const int threads_;
    int start_ = 0, next_ = 0;
    // Pictures before this decode position that nothing refers to are not decoded: all up to it are
    // shown before the span. It is itself decoded, so that what a skipped picture's headers leave
    // behind for the next picture decoded (captions) goes to a picture that is dropped.
    int skippedBefore_ = 0;
    AVInputPtr in_;
    AVCodecContextPtr dec_;
    std::thread thread_;
    std::mutex mutex_; // guards what follows
    std::condition_variable changed_;
    std::deque<AVFramePtr> frames_;
    bool done_ = false, stopped_ = false;
    QString error_;
};

static QString encodeSpanWith(const SourceIndex& index, int64_t from, int64_t to, int64_t origin,
                              int parameterSetId, const SpanOutput& output, AVCodecContextPtr* encoder) {
    SpanDecoder decoder(index, from, to, origin, output.threads);
    if (QString e = decoder.open(); !e.isEmpty())
        return e;
    AVCodecContextPtr& enc = *encoder;
    auto pass = [&]() -> QString {
        std::vector<AVPacketPtr> packets;
        QString e = takeEncodedPackets(enc.get(), packets);
        for (auto& p : packets)
            if (e.isEmpty())
                e = output.packet(std::move(p));
        return e;
    };
    for (AVFramePtr frame = decoder.take(); frame; frame = decoder.take()) {
        QString error;
        if (!enc) {
            if (!(enc = openMatchedEncoder(index, decoder.parameters(), frame.get(), from, parameterSetId,
                                           to - from, output, error)))
                return error;
            if (QString e = output.opened(enc.get()); !e.isEmpty())
                return e;
        }
        if (enc->flags & AV_CODEC_FLAG_QSCALE)
            frame->quality = enc->global_quality; // a fixed quantiser is taken from each picture
        if (int rc = avcodec_send_frame(enc.get(), frame.get()); rc < 0)
            return texts::encodingFailed(avErrorText(rc));
        if (QString e = pass(); !e.isEmpty())
            return e;
    }
    if (QString e = decoder.error(); !e.isEmpty())
        return e;
    if (!enc)
        return texts::noFrameDecodedFrom(from);
    avcodec_send_frame(enc.get(), nullptr);
    return pass();
}

} // namespace engine::ff
