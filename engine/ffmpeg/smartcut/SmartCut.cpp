#include "smartcut/SmartCut.h"

#include <QDir>
#include <algorithm>
#include <cmath>
#include <limits>
#include <set>

#include "core/AvError.h"
#include "core/H264Units.h"
#include "engine/OperatorTexts.h"
#include "smartcut/AudioCutter.h"
#include "smartcut/CutCheck.h"
#include "smartcut/CutPlan.h"
#include "smartcut/MadeAhead.h"
#include "smartcut/Mpeg2CopyEnd.h"
#include "smartcut/Mpeg2SpliceRate.h"
#include "smartcut/Mpeg2Units.h"
#include "smartcut/SpanEncoder.h"
#include "smartcut/SpanInBackground.h"
#include "writer/OutputFile.h"

extern "C" {
#include <libavcodec/bsf.h>
}

namespace engine::ff {
namespace {

struct BsfFree {
    void operator()(AVBSFContext* b) const { av_bsf_free(&b); }
};
using BsfPtr = std::unique_ptr<AVBSFContext, BsfFree>;

// The source's packets decoded at [copyFirst, copyEnd), one by one, in Annex B for H.264, with pts in
// frames from the export's first frame.
class CopiedPackets {
  public:
    QString open(const SourceIndex& index, const CutPlan& plan) {
        index_ = &index;
        plan_ = &plan;
        QString error;
        int next = 0;
        in_ = openClipBefore(index, plan.copyFirst, next, error);
        if (!in_)
            return error;
        position_ = next - 1;
        const AVStream* st = in_->streams[index.videoStream];
        AVBSFContext* raw = nullptr;
        const bool h264 = st->codecpar->codec_id == AV_CODEC_ID_H264;
        if (int rc = av_bsf_alloc(av_bsf_get_by_name(h264 ? "h264_mp4toannexb" : "null"), &raw); rc < 0)
            return texts::cannotConvertSourcePackets(avErrorText(rc));
        bsf_.reset(raw);
        avcodec_parameters_copy(bsf_->par_in, st->codecpar);
        bsf_->time_base_in = st->time_base;
        if (int rc = av_bsf_init(bsf_.get()); rc < 0)
            return texts::cannotConvertSourcePackets(avErrorText(rc));
        if (h264)
            parameterSets =
                parameterSetsAnnexB(splitNalUnits(bsf_->par_out->extradata, bsf_->par_out->extradata_size));
        return {};
    }
    // The next copied packet; null at the end of the copied part.
    AVPacketPtr next(QString& error) {
        AVPacketPtr pkt = makePacket();
        while (position_ + 1 < plan_->copyEnd && av_read_frame(in_.get(), pkt.get()) >= 0) {
            if (pkt->stream_index != index_->videoStream || ++position_ < plan_->copyFirst || dropped()) {
                av_packet_unref(pkt.get());
                continue;
            }
            if (QString e = closeFirstGop(pkt.get()); !e.isEmpty()) {
                error = e;
                return nullptr;
            }
            av_bsf_send_packet(bsf_.get(), pkt.get());
            AVPacketPtr converted = makePacket();
            if (av_bsf_receive_packet(bsf_.get(), converted.get()) < 0) {
                error = texts::cannotConvertSourcePacket(position_);
                return nullptr;
            }
            converted->pts = index_->packets[size_t(position_)].display - plan_->in;
            return converted;
        }
        if (position_ + 1 < plan_->copyEnd)
            error = texts::sourceEndedBeforeCopy();
        return nullptr;
    }

    std::vector<uint8_t> parameterSets; // every SPS/PPS of the source, Annex B (H.264)
    int firstVbvDelay = kVbvDelayUnstated; // MPEG-2: stated by the first picture in place of its own

  private:
    bool dropped() const { return position_ > plan_->copyFirst && position_ <= plan_->copyFirst + plan_->dropLeading; }
    // An open GOP the copy starts with, its leading pictures left out: closed, its timecode that of its
    // first picture now shown, its pictures' temporal references counted from there.
    QString closeFirstGop(AVPacket* pkt) {
        if (firstGopDone_)
            return {};
        if (plan_->dropLeading == 0 || (position_ > plan_->copyFirst && startsGop(pkt->data, pkt->size))) {
            firstGopDone_ = true;
            return {};
        }
        if (int rc = av_packet_make_writable(pkt); rc < 0)
            return texts::cannotRenumberCopiedPictures(avErrorText(rc));
        if (position_ == plan_->copyFirst) {
            auto tc = index_->gopTimecodeAt(plan_->headEnd);
            if (!tc)
                tc = gopTimecodeOf(pkt->data, pkt->size);
            closeGop(pkt->data, pkt->size, tc.value_or(GopTimecode{}));
            if (firstVbvDelay != kVbvDelayUnstated)
                setVbvDelay(pkt->data, pkt->size, firstVbvDelay);
        }
        shiftTemporalReference(pkt->data, pkt->size, plan_->dropLeading);
        return {};
    }

    const SourceIndex* index_ = nullptr;
    const CutPlan* plan_ = nullptr;
    bool firstGopDone_ = false;
    AVInputPtr in_;
    BsfPtr bsf_;
    int position_ = -1;
};

int freeParameterSetId(std::set<int>& used) {
    int id = 1;
    while (used.count(id))
        ++id;
    used.insert(id);
    return id;
}

void addParameterSets(const EncodedSpan& span, std::vector<uint8_t>& sets) {
    for (size_t k = 0; k < span.packets.size(); ++k) {
        const AVPacket* p = span.packets[k].get();
        if (k == 0 || p->flags & AV_PKT_FLAG_KEY) {
            const auto found = parameterSetsAnnexB(splitNalUnits(p->data, p->size));
            sets.insert(sets.end(), found.begin(), found.end());
        }
    }
}

// How far decode order runs ahead of display order in a span (packets in decode order, pts counted from
// `first`): decode timestamps are then the decode position less the deepest of these.
int64_t reorderDepth(const std::vector<AVPacketPtr>& packets, int64_t first) {
    int64_t depth = 0;
    for (size_t k = 0; k < packets.size(); ++k)
        depth = std::max<int64_t>(depth, int64_t(k) - (packets[k]->pts - first));
    return depth;
}

int64_t copiedDepth(const SourceIndex& index, const CutPlan& plan) {
    int64_t depth = 0, written = 0;
    for (int p = plan.copyFirst; p < plan.copyEnd; ++p)
        if (p == plan.copyFirst || p > plan.copyFirst + plan.dropLeading)
            depth = std::max<int64_t>(depth, written++ - (index.packets[size_t(p)].display - plan.headEnd));
    return depth;
}

constexpr double kSlack = 1e-6; // positions read back from frame times

// The frame a request ends before, at the clip's frame rate; -1: the clip's end.
int64_t outFrameOf(const CutRequest& request, AVRational frameRate) {
    if (!request.bySeconds)
        return request.out;
    return request.outSeconds > request.inSeconds
               ? int64_t(std::ceil(request.outSeconds * av_q2d(frameRate) - kSlack))
               : -1;
}

// The range a request names in seconds, in frames of the scanned clip.
void resolveSeconds(const SourceIndex& index, CutRequest& request) {
    const double fps = av_q2d(index.frameRate);
    request.in =
        std::clamp<int64_t>(int64_t(std::floor(request.inSeconds * fps + kSlack)), 0, index.frames - 1);
    const int64_t out = outFrameOf(request, index.frameRate);
    request.out = out >= 0 ? std::min(out, index.frames) : index.frames;
}

QString containerCheck(const AVOutputFormat* muxer, const AVCodecParameters* par) {
    // Formats without a list of what they hold answer with an error: let the muxer decide then.
    if (avformat_query_codec(muxer, par->codec_id, FF_COMPLIANCE_NORMAL) != 0)
        return {};
    return texts::formatCannotHoldSource(QString::fromUtf8(muxer->name),
                                         QString::fromUtf8(avcodec_get_name(par->codec_id)),
                                         par->codec_type == AVMEDIA_TYPE_VIDEO);
}

AVPacketPtr withData(AVPacketPtr p, const std::vector<uint8_t>& bytes) {
    AVPacketPtr out = makePacket();
    if (av_new_packet(out.get(), int(bytes.size())) < 0)
        return p;
    std::copy(bytes.begin(), bytes.end(), out->data);
    av_packet_copy_props(out.get(), p.get());
    return out;
}

// A re-encoded MPEG-2 picture with the source's sequence header in place of the encoder's: the decoder
// and the muxer then see one unchanged sequence across the splices.
AVPacketPtr withSourceSequenceHeader(AVPacketPtr p, const SourceIndex& index) {
    if (index.sequenceHeader.empty() || sequenceHeaderOf(p->data, p->size).empty())
        return p;
    const std::vector<uint8_t> bytes = withSequenceHeader(p->data, p->size, index.sequenceHeader);
    return withData(std::move(p), bytes);
}

AVPacketPtr withoutSequenceEnd(AVPacketPtr p) {
    if (p && endsSequence(p->data, p->size))
        av_shrink_packet(p.get(), p->size - 4);
    return p;
}

AVPacketPtr endingSequence(AVPacketPtr p) {
    std::vector<uint8_t> bytes(p->data, p->data + p->size);
    bytes.insert(bytes.end(), std::begin(kMpeg2SequenceEnd), std::end(kMpeg2SequenceEnd));
    return withData(std::move(p), bytes);
}

// The longest MPEG-2 span re-encoded whole that is fitted to the source's buffer: its decoded pictures are
// kept for the fitting's encodings.
constexpr int64_t kFittedWholeFrames = 25;

CutOutcome failed(const QString& text) {
    return {false, false, 0, text};
}

} // namespace

CutOutcome smartCut(const CutRequest& asked, const CutSound& sound, const CutControl& control) {
    const QString abandoned = texts::cutAbandoned();
    SourceIndex index;
    // The clip is scanned only a little past the out point: a long recording is not read to its end.
    const ScanReach reach = [&](const SourceIndex& scanned) {
        const int64_t out = outFrameOf(asked, scanned.frameRate);
        return out >= 0 ? out - 1 : -1;
    };
    if (QString e = scanSource(asked.source, index, control.abandoned, reach); !e.isEmpty())
        return failed(control.abandoned() ? abandoned : e);
    CutRequest request = asked;
    if (request.bySeconds)
        resolveSeconds(index, request);
    if (request.in < 0 || request.out <= request.in || request.out > index.frames)
        return failed(texts::rangeOutsideClip(request.in, request.out, index.frames));
    QString error;
    AVInputPtr probe = openClip(index.path, error);
    if (!probe)
        return failed(error);
    const AVCodecParameters* videoPar = probe->streams[index.videoStream]->codecpar;
    for (unsigned i = 0; i < probe->nb_streams; ++i) {
        const bool copiedSound = !sound && probe->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_AUDIO;
        if (i == unsigned(index.videoStream) || copiedSound)
            if (QString e = containerCheck(request.muxer, probe->streams[i]->codecpar); !e.isEmpty())
                return failed(texts::cannotCopy(e));
    }

    const bool h264 = videoPar->codec_id == AV_CODEC_ID_H264;
    const bool mpeg2 = videoPar->codec_id == AV_CODEC_ID_MPEG2VIDEO;
    CutPlan plan = planCut(index, request.in, request.out);
    if (!h264 && !mpeg2) {
        plan = CutPlan{};
        plan.in = request.in;
        plan.out = plan.headEnd = plan.tailStart = request.out;
        plan.why = texts::videoReencodedWhole(QString::fromUtf8(avcodec_get_name(videoPar->codec_id)));
    }
    // Re-encoded MPEG-2 pictures carry the source's sequence header only where the encoder's own says the
    // same of them; else the span is re-encoded whole under the encoder's header.
    bool sourceHeader = mpeg2;
    if (mpeg2) {
        const std::vector<uint8_t> made = matchedSequenceHeader(index, videoPar, error);
        if (made.empty())
            return failed(error);
        if (const QString why = sequenceMismatch(index.sequenceHeader, made); !why.isEmpty()) {
            sourceHeader = false;
            if (plan.copies())
                plan = reencodeAll(plan, texts::sequenceHeaderUnmatched(why));
        }
    }
    control.progress(0.05);

    // The sound is cut first: its own thread gets on with it while the video is encoded.
    const double from = index.secondsOf(request.in), to = index.secondsOf(request.out);
    std::unique_ptr<AudioCutter> audio;
    if (sound) {
        std::vector<AudioSpan> spans;
        if (QString e = sound(from, to, spans); !e.isEmpty())
            return failed(e);
        audio = AudioCutter::fromSpans(std::move(spans));
    } else if (!(audio = AudioCutter::open(index, from, to, error))) {
        return failed(error);
    }

    // The spans around a copied stretch are short (up to a GOP each). The head is encoded first, and the
    // tail meanwhile on a thread of its own. Writing waits for the tail as well when the file's header
    // needs its parameter sets (H.264), or when its encoder may reorder deeper than the rest.
    CopiedPackets copied;
    EncodedSpan head, tail;
    std::optional<SpanInBackground> tailEncoding; // until `tail` is filled
    std::vector<uint8_t> parameterSets;
    int64_t depth = 0;
    // MPEG-2: head and tail fitted to the source's buffer at the splices.
    const std::optional<SpliceLevels> levels = mpeg2 ? spliceLevelsOf(index, plan) : std::nullopt;
    if (plan.copies()) {
        if (QString e = copied.open(index, plan); !e.isEmpty())
            return failed(e);
        if (levels)
            copied.firstVbvDelay = levels->copyStartDelay;
        parameterSets = copied.parameterSets;
        std::set<int> usedIds =
            parameterSetIds(splitNalUnits(parameterSets.data(), int(parameterSets.size())));
        const int headId = plan.headEnd > plan.in ? freeParameterSetId(usedIds) : 0;
        const int tailId = plan.out > plan.tailStart ? freeParameterSetId(usedIds) : 0;
        // With both spans, each decodes and encodes on one thread: the pair keeps the cores busy, where a
        // codec's own threads wait on one another at a span's start and end, and two encoders with
        // threads of their own would each hold as many pictures in memory.
        const int threads = plan.headEnd > plan.in && plan.out > plan.tailStart ? 1 : 0;
        if (levels)
            tailEncoding.emplace([&, fit = *levels](EncodedSpan& span) {
                return encodeFitted(index, plan.tailStart, plan.out, plan.in, fit, false, span);
            }, plan.out > plan.tailStart, mpeg2EncoderDelay(index));
        else
            tailEncoding.emplace(index, plan.tailStart, plan.out, plan.in, tailId, threads);
        if (plan.headEnd > plan.in) {
            if (QString e = levels ? encodeFitted(index, plan.in, plan.headEnd, plan.in, *levels, true, head)
                                   : encodeSpan(index, plan.in, plan.headEnd, plan.in, headId, head, threads);
                !e.isEmpty())
                return failed(e);
            head.encoder.reset(); // its memory is not needed while the file is written
        }
        addParameterSets(head, parameterSets);
        depth = std::max(reorderDepth(head.packets, 0), copiedDepth(index, plan));
        const std::optional<int> tailDelay = tailEncoding->delay();
        if (h264 || !tailDelay || *tailDelay > depth) {
            if (QString e = tailEncoding->finish(tail); !e.isEmpty())
                return failed(e);
            tailEncoding.reset();
            addParameterSets(tail, parameterSets);
            depth = std::max(depth, reorderDepth(tail.packets, plan.tailStart - plan.in));
        }
    }
    if (control.abandoned())
        return failed(abandoned);

    auto file = OutputFile::create(request.target, request.muxer, error);
    if (!file)
        return failed(error);
    AVStream* videoStream = nullptr;
    std::vector<AVStream*> audioStreams;
    const std::vector<const AVCodecContext*> audioEncoders = audio->encoders();
    AVCodecContextPtr sourceDesc;
    AVCodecContext* desc = nullptr;
    // The header, once the video stream is described: by the source with every parameter set the
    // packets use when packets are copied, else by the encoder of the whole span.
    auto writeHeader = [&](AVCodecContext* encoder) -> QString {
        desc = encoder;
        if (!desc) {
            sourceDesc.reset(avcodec_alloc_context3(nullptr));
            avcodec_parameters_to_context(sourceDesc.get(), videoPar);
            desc = sourceDesc.get();
            av_freep(&desc->extradata);
            desc->extradata_size = 0;
            if (h264) {
                desc->extradata =
                    static_cast<uint8_t*>(av_mallocz(parameterSets.size() + AV_INPUT_BUFFER_PADDING_SIZE));
                std::copy(parameterSets.begin(), parameterSets.end(), desc->extradata);
                desc->extradata_size = int(parameterSets.size());
            }
        }
        desc->codec_tag = 0;
        desc->time_base = av_inv_q(index.frameRate);
        desc->framerate = index.frameRate;
        if (encoder)
            depth = encoder->has_b_frames;
        if (!(videoStream = file->addStream(desc, error)))
            return error;
        if (const QString tc = index.timecodeAt(request.in); !tc.isEmpty())
            av_dict_set(&videoStream->metadata, "timecode", tc.toLatin1().constData(), 0);
        for (const AVCodecContext* a : audioEncoders) {
            audioStreams.push_back(file->addStream(a, error));
            if (!audioStreams.back())
                return error;
        }
        return file->writeHeader({});
    };

    // Each picture in decode order, after the sound that starts before it.
    const int64_t frames = request.out - request.in;
    int64_t decodePosition = 0;
    AVPacketPtr heldBack;
    auto writeAudio = [&](size_t stream, AVPacket* p) {
        return file->write(p, audioStreams[stream], audioEncoders[stream]->time_base);
    };
    auto writeVideo = [&](AVPacketPtr p) -> QString {
        if (control.abandoned())
            return abandoned;
        p->dts = decodePosition++ - depth;
        p->duration = 1;
        if (p->dts > p->pts)
            return texts::reorderedDeeperThanDeclared();
        if (QString e = audio->writeUntil(index.secondsOf(p->dts), writeAudio); !e.isEmpty())
            return e;
        control.progress(0.05 + 0.9 * double(decodePosition) / double(frames));
        if (!mpeg2)
            return file->write(p.get(), videoStream, desc->time_base);
        // The last picture waits for the stream's one sequence end code.
        std::swap(heldBack, p);
        p = withoutSequenceEnd(std::move(p));
        return p ? file->write(p.get(), videoStream, desc->time_base) : QString();
    };
    auto writeEncoded = [&](AVPacketPtr p) {
        return writeVideo(sourceHeader ? withSourceSequenceHeader(std::move(p), index) : std::move(p));
    };
    auto writeSpan = [&](EncodedSpan& span) {
        for (auto& p : span.packets)
            if (QString e = writeEncoded(std::move(p)); !e.isEmpty())
                return e;
        return QString();
    };
    auto endVideo = [&]() -> QString {
        if (!heldBack)
            return {};
        // Not the description's time base: a whole span's encoder, which may describe the stream, is gone.
        AVPacketPtr last = endingSequence(withoutSequenceEnd(std::move(heldBack)));
        return file->write(last.get(), videoStream, av_inv_q(index.frameRate));
    };

    if (plan.copies()) {
        if (QString e = writeHeader(nullptr); !e.isEmpty())
            return failed(e);
        if (QString e = writeSpan(head); !e.isEmpty())
            return failed(e);
        // The source's packets are read on a thread of their own while the file is written.
        constexpr size_t kBytesAhead = 16 << 20;
        MadeAhead<AVPacketPtr> ahead(
            [&](QString& e) -> std::optional<AVPacketPtr> {
                AVPacketPtr p = copied.next(e);
                return p ? std::optional(std::move(p)) : std::nullopt;
            },
            [](const AVPacketPtr& p) { return size_t(p->size); }, kBytesAhead);
        for (auto p = ahead.next(error); p; p = ahead.next(error))
            if (QString e = writeVideo(std::move(*p)); !e.isEmpty())
                return failed(e);
        if (!error.isEmpty())
            return failed(error);
        if (tailEncoding) {
            if (QString e = tailEncoding->finish(tail); !e.isEmpty())
                return failed(e);
            tailEncoding.reset();
        }
        if (QString e = writeSpan(tail); !e.isEmpty())
            return failed(e);
    } else if (const auto buffer = constantRateBufferOf(index);
               mpeg2 && sourceHeader && buffer && plan.out - plan.in <= kFittedWholeFrames) {
        // A short span under the source's header is fitted to the source's buffer as a head that nothing
        // follows: fixed quantisers as fine as the buffer allows, where the encoder's own rate control
        // starts its first picture coarse.
        EncodedSpan span;
        if (QString e = encodeFitted(index, plan.in, plan.out, plan.in, SpliceLevels{*buffer}, true, span);
            !e.isEmpty())
            return failed(e);
        depth = reorderDepth(span.packets, 0);
        if (QString e = writeHeader(nullptr); !e.isEmpty())
            return failed(e);
        if (QString e = writeSpan(span); !e.isEmpty())
            return failed(e);
    } else {
        SpanOutput whole;
        whole.globalHeader = h264;
        if (const auto buffer = constantRateBufferOf(index))
            whole.rate = SpanRate{*buffer, buffer->size * 3 / 4};
        // MPEG-2 keeps the source's sequence header, so the file is described as the source is.
        whole.opened = [&](AVCodecContext* encoder) {
            if (!sourceHeader)
                return writeHeader(encoder);
            depth = encoder->has_b_frames;
            return writeHeader(nullptr);
        };
        whole.packet = writeEncoded;
        if (QString e = encodeSpan(index, plan.in, plan.out, plan.in, 1, whole); !e.isEmpty())
            return failed(e);
    }
    if (QString e = endVideo(); !e.isEmpty())
        return failed(e);
    if (QString e = audio->writeUntil(std::numeric_limits<double>::infinity(), writeAudio); !e.isEmpty())
        return failed(e);

    if (QString e = file->finish([&](const QString& written) {
            SourceIndex writtenIndex;
            QString checked = checkCut(written, frames, control.abandoned, &writtenIndex);
            if (checked.isEmpty() && mpeg2 && plan.copies())
                checked = checkCopyEnd(index, writtenIndex, plan);
            return control.abandoned() ? abandoned : checked;
        });
        !e.isEmpty())
        return failed(e);

    CutOutcome outcome{true, plan.copies(), frames, {}};
    outcome.text =
        plan.copies()
            ? texts::cutWroteCopied(frames, QDir::toNativeSeparators(request.target),
                                    plan.tailStart - plan.headEnd, frames - (plan.tailStart - plan.headEnd))
            : texts::cutWroteReencoded(frames, QDir::toNativeSeparators(request.target), plan.why);
    return outcome;
}

} // namespace engine::ff
