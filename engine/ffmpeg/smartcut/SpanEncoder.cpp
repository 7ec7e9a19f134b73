#include "smartcut/SpanEncoder.h"

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>

#include "core/AvError.h"
#include "core/CodecThreads.h"
#include "engine/OperatorTexts.h"
#include "smartcut/Codecs.h"
#include "smartcut/Mpeg2Units.h"

extern "C" {
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
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
    // An MPEG-2 span that starts at an I picture needs nothing before it: only its leading pictures,
    // shown before it, refer further back.
    if (index.codec == AV_CODEC_ID_MPEG2VIDEO && !keys.empty() &&
        index.packets[size_t(keys.back())].display == from)
        return keys.back();
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

// The longest run of pictures from one key picture to the next in the source.
int longestGopOf(const SourceIndex& index) {
    int longest = 1, last = 0;
    for (size_t i = 1; i < index.packets.size(); ++i)
        if (index.packets[i].key) {
            longest = std::max(longest, int(i) - last);
            last = int(i);
        }
    return std::max(longest, int(index.packets.size()) - last);
}

// Every GOP of the source after its first is closed.
bool closedGopsOnly(const SourceIndex& index) {
    for (size_t i = 1; i < index.packets.size(); ++i)
        if (index.packets[i].gopStart && !index.packets[i].splice)
            return false;
    return true;
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
    // The source's quantiser scale, so that a picture coded again at its own quantiser can land on the
    // levels it was decoded from; each macroblock's quantiser and mode chosen by rate and distortion,
    // which finds those levels where the pictures line up with the source's.
    const bool nonLinear = index.quantiserScaleType == 1;
    av_dict_set(opts, "non_linear_quant", nonLinear ? "1" : "0", 0);
    enc->qmin = 1;
    enc->qmax = nonLinear ? 28 : 31; // as far as each scale goes here
    enc->mb_decision = FF_MB_DECISION_RD;
    av_dict_set(opts, "intra_vlc", "1", 0); // chosen per picture: shorter codes for intra blocks
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
    // The source's own I and P pictures stay I and P (the decoder tells each picture's type), and GOPs
    // start only at its I pictures: a picture predicted as it was in the source codes what it coded.
    // Pictures shown before an I picture are B pictures referring to it, as in the source, unless its
    // GOPs are all closed (a span's first GOP is closed all the same).
    enc->gop_size = std::min(longestGopOf(index) + 1, 600);
    if (closedGopsOnly(index))
        enc->flags |= AV_CODEC_FLAG_CLOSED_GOP;
    av_dict_set(opts, "sc_threshold", "1000000000", 0); // no GOP where the source has none
    av_dict_set(opts, "mpv_flags", "+strict_gop+qp_rd", 0);
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

int mpeg2EncoderDelay(const SourceIndex& index) {
    return lowDelayOf(index.sequenceHeader) ? 0 : 1;
}

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
                              int parameterSetId, const SpanOutput& output, AVCodecContextPtr* encoder,
                              DecodedPictures* pictures = nullptr);

QString encodeSpan(const SourceIndex& index, int64_t from, int64_t to, int64_t origin, int parameterSetId,
                   EncodedSpan& out, int threads, const std::optional<SpanRate>& rate,
                   DecodedPictures* pictures) {
    SpanOutput keep;
    keep.threads = threads;
    keep.rate = rate;
    keep.opened = [&](AVCodecContext*) { return QString(); };
    keep.packet = [&](AVPacketPtr p) {
        out.packets.push_back(std::move(p));
        return QString();
    };
    return encodeSpanWith(index, from, to, origin, parameterSetId, keep, &out.encoder, pictures);
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
            // The encoder chooses (one IDR at the start), but an MPEG-2 span keeps the source's anchors.
            if (index_.codec != AV_CODEC_ID_MPEG2VIDEO || frame->pict_type == AV_PICTURE_TYPE_B)
                frame->pict_type = AV_PICTURE_TYPE_NONE;
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

namespace {

bool samePicture(const AVFrame& a, const AVFrame& b) {
    const auto format = AVPixelFormat(a.format);
    const AVPixFmtDescriptor* d = av_pix_fmt_desc_get(format);
    if (!d || a.width != b.width || a.height != b.height || a.format != b.format)
        return false;
    for (int plane = 0; plane < av_pix_fmt_count_planes(format); ++plane) {
        const int rows = plane == 1 || plane == 2 ? AV_CEIL_RSHIFT(a.height, d->log2_chroma_h) : a.height;
        const int bytes = av_image_get_linesize(format, a.width, plane);
        for (int y = 0; y < rows; ++y)
            if (std::memcmp(a.data[plane] + y * a.linesize[plane], b.data[plane] + y * b.linesize[plane],
                            size_t(bytes)) != 0)
                return false;
    }
    return true;
}

} // namespace

std::optional<int64_t> firstDifferingPicture(const SourceIndex& first, int64_t firstFrom,
                                             const SourceIndex& second, int64_t secondFrom, int64_t count,
                                             QString& error) {
    // One thread each: the two decode side by side.
    SpanDecoder a(first, firstFrom, firstFrom + count, firstFrom, 1),
        b(second, secondFrom, secondFrom + count, secondFrom, 1);
    if (QString e = a.open(); !e.isEmpty()) {
        error = e;
        return std::nullopt;
    }
    if (QString e = b.open(); !e.isEmpty()) {
        error = e;
        return std::nullopt;
    }
    for (int64_t n = 0; n < count; ++n) {
        const AVFramePtr x = a.take(), y = b.take();
        if (!x || !y) {
            error = !x ? a.error() : b.error();
            return std::nullopt;
        }
        if (x->pts != y->pts || !samePicture(*x, *y))
            return n;
    }
    return std::nullopt;
}

// A fixed quantiser no coarser than the one the source coded the picture with: a picture that lines up
// with the source's then comes out as it was decoded, however coarse the rest of its span must be.
class PictureQuality {
  public:
    PictureQuality(const SourceIndex& index, int64_t origin) : origin_(origin) {
        if (index.codec != AV_CODEC_ID_MPEG2VIDEO)
            return;
        sourceQuantiser_.assign(size_t(index.frames), 0);
        for (const IndexedPacket& p : index.packets)
            if (p.display >= 0 && p.display < index.frames)
                sourceQuantiser_[size_t(p.display)] = p.quantiser;
    }
    int of(const AVCodecContext* enc, const AVFrame* frame) const {
        const int64_t display = frame->pts + origin_;
        const int quantiser = display >= 0 && display < int64_t(sourceQuantiser_.size())
                                  ? sourceQuantiser_[size_t(display)]
                                  : 0;
        // quantiser_scale is twice the encoder's quantiser on either scale
        return quantiser > 0 ? std::min(enc->global_quality, FF_QP2LAMBDA * quantiser / 2)
                             : enc->global_quality;
    }

  private:
    int64_t origin_;
    std::vector<int> sourceQuantiser_; // by display position, 0 where unknown
};

static QString encodeSpanWith(const SourceIndex& index, int64_t from, int64_t to, int64_t origin,
                              int parameterSetId, const SpanOutput& output, AVCodecContextPtr* encoder,
                              DecodedPictures* pictures) {
    const bool decodedBefore = pictures && !pictures->frames.empty();
    std::optional<SpanDecoder> decoder;
    if (!decodedBefore) {
        decoder.emplace(index, from, to, origin, output.threads);
        if (QString e = decoder->open(); !e.isEmpty())
            return e;
        if (pictures) {
            pictures->parameters.reset(avcodec_parameters_alloc());
            if (!pictures->parameters ||
                avcodec_parameters_copy(pictures->parameters.get(), decoder->parameters()) < 0)
                return texts::outOfMemoryForPicture();
        }
    }
    const AVCodecParameters* parameters = decodedBefore ? pictures->parameters.get() : decoder->parameters();
    size_t taken = 0;
    auto take = [&]() -> AVFramePtr {
        if (decodedBefore)
            return AVFramePtr(
                taken < pictures->frames.size() ? av_frame_clone(pictures->frames[taken++].get()) : nullptr);
        AVFramePtr frame = decoder->take();
        if (frame && pictures)
            pictures->frames.emplace_back(av_frame_clone(frame.get()));
        return frame;
    };
    AVCodecContextPtr& enc = *encoder;
    auto pass = [&]() -> QString {
        std::vector<AVPacketPtr> packets;
        QString e = takeEncodedPackets(enc.get(), packets);
        for (auto& p : packets)
            if (e.isEmpty())
                e = output.packet(std::move(p));
        return e;
    };
    const PictureQuality quality(index, origin);
    for (AVFramePtr frame = take(); frame; frame = take()) {
        QString error;
        if (!enc) {
            if (!(enc = openMatchedEncoder(index, parameters, frame.get(), from, parameterSetId, to - from,
                                           output, error)))
                return error;
            if (QString e = output.opened(enc.get()); !e.isEmpty())
                return e;
        }
        if (enc->flags & AV_CODEC_FLAG_QSCALE)
            frame->quality =
                quality.of(enc.get(), frame.get()); // a fixed quantiser is taken from each picture
        if (int rc = avcodec_send_frame(enc.get(), frame.get()); rc < 0)
            return texts::encodingFailed(avErrorText(rc));
        if (QString e = pass(); !e.isEmpty())
            return e;
    }
    if (decoder) {
        if (QString e = decoder->error(); !e.isEmpty()) {
            if (pictures)
                pictures->frames.clear(); // not the whole span
            return e;
        }
    }
    if (!enc)
        return texts::noFrameDecodedFrom(from);
    avcodec_send_frame(enc.get(), nullptr);
    return pass();
}

} // namespace engine::ff
