#include "smartcut/SmartCut.h"

#include <QDir>
#include <algorithm>

#include "core/AvError.h"
#include "smartcut/CutCheck.h"
#include "smartcut/CutPlan.h"
#include "smartcut/H264Units.h"
#include "smartcut/SpanEncoder.h"
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

struct VideoOut {
    std::vector<AVPacketPtr> packets;   // decode order, pts in frames from the export's first frame
    std::vector<uint8_t> parameterSets; // every SPS/PPS the packets use, Annex B (H.264)
};

// The source's packets decoded at [first, end), in Annex B for H.264, with pts in export frames.
QString copySourcePackets(const SourceIndex& index, const CutPlan& plan, VideoOut& out) {
    QString error;
    AVInputPtr in = openClip(index.path, error);
    if (!in)
        return error;
    const AVStream* st = in->streams[index.videoStream];
    AVBSFContext* raw = nullptr;
    const bool h264 = st->codecpar->codec_id == AV_CODEC_ID_H264;
    if (int rc = av_bsf_alloc(av_bsf_get_by_name(h264 ? "h264_mp4toannexb" : "null"), &raw); rc < 0)
        return QStringLiteral("Cannot convert the source's packets: %1").arg(avErrorText(rc));
    BsfPtr bsf(raw);
    avcodec_parameters_copy(bsf->par_in, st->codecpar);
    bsf->time_base_in = st->time_base;
    if (int rc = av_bsf_init(bsf.get()); rc < 0)
        return QStringLiteral("Cannot convert the source's packets: %1").arg(avErrorText(rc));
    if (h264)
        out.parameterSets =
            parameterSetsAnnexB(splitNalUnits(bsf->par_out->extradata, bsf->par_out->extradata_size));

    AVPacketPtr pkt = makePacket();
    int position = -1;
    while (av_read_frame(in.get(), pkt.get()) >= 0) {
        const bool take = pkt->stream_index == index.videoStream && ++position >= plan.copyFirst;
        if (position >= plan.copyEnd)
            break;
        if (take) {
            const int64_t display = index.packets[size_t(position)].display;
            av_bsf_send_packet(bsf.get(), pkt.get());
            AVPacketPtr converted = makePacket();
            if (av_bsf_receive_packet(bsf.get(), converted.get()) < 0)
                return QStringLiteral("Cannot convert source packet %1").arg(position);
            converted->pts = display - plan.in;
            converted->duration = 1;
            out.packets.push_back(std::move(converted));
        }
        av_packet_unref(pkt.get());
    }
    if (int(out.packets.size()) != plan.copyEnd - plan.copyFirst)
        return QStringLiteral("The source ended before the copied part was read");
    return {};
}

int freeParameterSetId(std::set<int>& used) {
    int id = 1;
    while (used.count(id))
        ++id;
    used.insert(id);
    return id;
}

void appendSpan(EncodedSpan& span, bool h264, VideoOut& out) {
    for (auto& p : span.packets) {
        if (h264 && (out.packets.empty() || p->flags & AV_PKT_FLAG_KEY)) {
            const auto sets = parameterSetsAnnexB(splitNalUnits(p->data, p->size));
            out.parameterSets.insert(out.parameterSets.end(), sets.begin(), sets.end());
        }
        out.packets.push_back(std::move(p));
    }
}

// Decode timestamps from decode order, delayed by the deepest reordering anywhere in the export.
void regenerateDts(std::vector<AVPacketPtr>& packets) {
    int64_t depth = 0;
    for (size_t k = 0; k < packets.size(); ++k)
        depth = std::max<int64_t>(depth, int64_t(k) - packets[k]->pts);
    for (size_t k = 0; k < packets.size(); ++k) {
        packets[k]->dts = int64_t(k) - depth;
        packets[k]->duration = 1;
    }
}

QString containerCheck(const AVOutputFormat* muxer, const AVCodecParameters* par) {
    // Formats without a list of what they hold answer with an error: let the muxer decide then.
    if (avformat_query_codec(muxer, par->codec_id, FF_COMPLIANCE_NORMAL) != 0)
        return {};
    return QStringLiteral("the %1 format cannot hold the source's %2 %3")
        .arg(QString::fromUtf8(muxer->name), QString::fromUtf8(avcodec_get_name(par->codec_id)),
             par->codec_type == AVMEDIA_TYPE_VIDEO ? QStringLiteral("video") : QStringLiteral("audio"));
}

CutOutcome failed(const QString& text) {
    return {false, false, 0, text};
}

} // namespace

CutOutcome smartCut(const CutRequest& request, const CutSound& sound, const CutControl& control) {
    const QString abandoned = QStringLiteral("The cut was abandoned");
    SourceIndex index;
    if (QString e = scanSource(request.source, index); !e.isEmpty())
        return failed(e);
    if (request.in < 0 || request.out <= request.in || request.out > index.frames)
        return failed(QStringLiteral("The range %1-%2 is outside the clip's %3 frames")
                          .arg(request.in)
                          .arg(request.out)
                          .arg(index.frames));
    QString error;
    AVInputPtr probe = openClip(index.path, error);
    if (!probe)
        return failed(error);
    const AVCodecParameters* videoPar = probe->streams[index.videoStream]->codecpar;
    for (unsigned i = 0; i < probe->nb_streams; ++i) {
        const bool copiedSound = !sound && probe->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_AUDIO;
        if (i == unsigned(index.videoStream) || copiedSound)
            if (QString e = containerCheck(request.muxer, probe->streams[i]->codecpar); !e.isEmpty())
                return failed(QStringLiteral("Cannot copy: ") + e);
    }

    const bool h264 = videoPar->codec_id == AV_CODEC_ID_H264;
    CutPlan plan = planCut(index, request.in, request.out);
    if (!h264)
        plan = CutPlan{request.in,
                       request.out,
                       request.out,
                       request.out,
                       0,
                       0,
                       QStringLiteral("the source's %1 video is re-encoded whole")
                           .arg(QString::fromUtf8(avcodec_get_name(videoPar->codec_id)))};

    control.progress(0.1);
    VideoOut video;
    std::set<int> usedIds;
    if (plan.copies()) {
        if (QString e = copySourcePackets(index, plan, video); !e.isEmpty())
            return failed(e);
        usedIds = parameterSetIds(splitNalUnits(video.parameterSets.data(), int(video.parameterSets.size())));
    }
    std::vector<AVPacketPtr> middle = std::move(video.packets);
    video.packets.clear();
    EncodedSpan head, tail;
    if (plan.headEnd > plan.in) {
        if (QString e = encodeSpan(index, plan.in, plan.headEnd, plan.in, freeParameterSetId(usedIds), head);
            !e.isEmpty())
            return failed(e);
        appendSpan(head, h264, video);
    }
    for (auto& p : middle)
        video.packets.push_back(std::move(p));
    if (plan.out > plan.tailStart) {
        if (QString e =
                encodeSpan(index, plan.tailStart, plan.out, plan.in, freeParameterSetId(usedIds), tail);
            !e.isEmpty())
            return failed(e);
        appendSpan(tail, h264, video);
    }
    regenerateDts(video.packets);

    // The video stream: the source's description with every parameter set the packets use.
    AVCodecContextPtr sourceDesc;
    AVCodecContext* desc = head.encoder.get();
    if (h264 || plan.copies() || !desc) {
        sourceDesc.reset(avcodec_alloc_context3(nullptr));
        avcodec_parameters_to_context(sourceDesc.get(), videoPar);
        desc = sourceDesc.get();
    }
    desc->codec_tag = 0;
    desc->time_base = av_inv_q(index.frameRate);
    desc->framerate = index.frameRate;
    if (h264) {
        av_freep(&desc->extradata);
        desc->extradata_size = 0;
        desc->extradata =
            static_cast<uint8_t*>(av_mallocz(video.parameterSets.size() + AV_INPUT_BUFFER_PADDING_SIZE));
        std::copy(video.parameterSets.begin(), video.parameterSets.end(), desc->extradata);
        desc->extradata_size = int(video.parameterSets.size());
    }

    if (control.abandoned())
        return failed(abandoned);
    control.progress(0.5);
    const double from = index.secondsOf(request.in), to = index.secondsOf(request.out);
    std::vector<AudioSpan> audio;
    if (sound) {
        if (QString e = sound(from, to, audio); !e.isEmpty())
            return failed(e);
    } else {
        audio.resize(index.audioStreams.size());
        for (size_t i = 0; i < audio.size(); ++i)
            if (QString e = cutAudio(index, index.audioStreams[i], from, to, audio[i]); !e.isEmpty())
                return failed(e);
    }

    auto file = OutputFile::create(request.target, request.muxer, error);
    if (!file)
        return failed(error);
    AVStream* videoStream = file->addStream(desc, error);
    if (!videoStream)
        return failed(error);
    std::vector<AVStream*> audioStreams;
    for (auto& a : audio) {
        audioStreams.push_back(file->addStream(a.encoder.get(), error));
        if (!audioStreams.back())
            return failed(error);
    }
    if (QString e = file->writeHeader({}); !e.isEmpty())
        return failed(e);

    // Interleave by time: before each picture, the sound that starts before it.
    std::vector<size_t> next(audio.size(), 0);
    auto writeAudioUpTo = [&](double seconds) -> QString {
        for (size_t i = 0; i < audio.size(); ++i)
            for (auto& pkts = audio[i].packets; next[i] < pkts.size(); ++next[i]) {
                AVPacket* p = pkts[next[i]].get();
                if (double(p->pts) / audio[i].encoder->sample_rate > seconds)
                    break;
                if (QString e = file->write(p, audioStreams[i], audio[i].encoder->time_base); !e.isEmpty())
                    return e;
            }
        return {};
    };
    if (control.abandoned())
        return failed(abandoned);
    control.progress(0.7);
    size_t written = 0;
    for (auto& p : video.packets) {
        if (control.abandoned())
            return failed(abandoned);
        control.progress(0.7 + 0.3 * double(written++) / double(video.packets.size()));
        if (QString e = writeAudioUpTo(index.secondsOf(p->dts)); !e.isEmpty())
            return failed(e);
        if (QString e = file->write(p.get(), videoStream, desc->time_base); !e.isEmpty())
            return failed(e);
    }
    if (QString e = writeAudioUpTo(1e18); !e.isEmpty())
        return failed(e);

    const int64_t frames = request.out - request.in;
    if (QString e = file->finish([&](const QString& written) {
            return control.abandoned() ? abandoned : checkCut(written, frames);
        });
        !e.isEmpty())
        return failed(e);

    CutOutcome outcome{true, plan.copies(), frames, {}};
    outcome.text = plan.copies()
                       ? QStringLiteral("Wrote %1 frames to %2: %3 copied from the source, %4 re-encoded")
                             .arg(frames)
                             .arg(QDir::toNativeSeparators(request.target))
                             .arg(plan.tailStart - plan.headEnd)
                             .arg(frames - (plan.tailStart - plan.headEnd))
                       : QStringLiteral("Wrote %1 frames to %2, all re-encoded: %3")
                             .arg(frames)
                             .arg(QDir::toNativeSeparators(request.target), plan.why);
    return outcome;
}

} // namespace engine::ff
