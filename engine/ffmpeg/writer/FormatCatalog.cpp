#include "writer/FormatCatalog.h"

#include <QFileInfo>
#include <QStringList>
#include <algorithm>
#include <map>

namespace engine::ff {
namespace {

// Formats operators export to most, in this order; the rest follow by name.
const QStringList kBroadcastFirst = {"mxf", "mov",     "mp4",        "matroska", "mpegts",
                                     "avi", "mxf_d10", "mxf_opatom", "gxf",      "mpeg",
                                     "dv",  "webm",    "flv",        "asf",      "nut"};
const QStringList kNetwork = {"rtp", "rtp_mpegts", "rtsp", "sap"};
// Muxers that write checksums, sequences of files or wrap other muxers: no single playable file.
const QStringList kNotFiles = {"image2",     "image2pipe",
                               "null",       "fifo",
                               "fifo_test",  "tee",
                               "framecrc",   "framehash",
                               "framemd5",   "crc",
                               "hash",       "md5",
                               "streamhash", "uncodedframecrc",
                               "segment",    "stream_segment",
                               "ssegment",   "hls",
                               "dash",       "smoothstreaming",
                               "webm_chunk", "webm_dash_manifest",
                               "chromaprint"};
// Wrappers for hardware that a playback station does not have in general.
const QStringList kHardwareSuffixes = {"_nvenc",        "_vaapi", "_qsv",    "_omx",   "_v4l2m2m",   "_amf",
                                       "_videotoolbox", "_mf",    "_vulkan", "_cuvid", "_mediacodec"};

// avformat_query_codec cannot tell for these muxers: what they carry, by codec id.
const std::map<QString, std::vector<AVCodecID>>& ownCodecTable() {
    static const std::map<QString, std::vector<AVCodecID>> table = {
        // ProRes is left out: this FFmpeg's MXF muxer refuses it at common broadcast sizes and rates.
        {"mxf",
         {AV_CODEC_ID_MPEG2VIDEO, AV_CODEC_ID_H264, AV_CODEC_ID_DNXHD, AV_CODEC_ID_DVVIDEO,
          AV_CODEC_ID_PCM_S16LE, AV_CODEC_ID_PCM_S24LE}},
        // One essence per file: video only.
        {"mxf_opatom", {AV_CODEC_ID_DNXHD}},
        {"mxf_d10", {AV_CODEC_ID_MPEG2VIDEO, AV_CODEC_ID_PCM_S16LE, AV_CODEC_ID_PCM_S24LE}},
        {"mpegts",
         {AV_CODEC_ID_MPEG2VIDEO, AV_CODEC_ID_H264, AV_CODEC_ID_HEVC, AV_CODEC_ID_MPEG1VIDEO,
          AV_CODEC_ID_MPEG4, AV_CODEC_ID_MP2, AV_CODEC_ID_MP3, AV_CODEC_ID_AAC, AV_CODEC_ID_AC3,
          AV_CODEC_ID_EAC3, AV_CODEC_ID_OPUS, AV_CODEC_ID_S302M}},
    };
    return table;
}

bool usableEncoder(const AVCodec* c) {
    if (c->capabilities & (AV_CODEC_CAP_EXPERIMENTAL | AV_CODEC_CAP_HARDWARE))
        return false;
    const QString name = QString::fromUtf8(c->name);
    return std::none_of(kHardwareSuffixes.begin(), kHardwareSuffixes.end(),
                        [&](const QString& s) { return name.endsWith(s); });
}

bool formatHolds(const AVOutputFormat* muxer, const AVCodec* codec) {
    auto own = ownCodecTable().find(QString::fromUtf8(muxer->name));
    if (own != ownCodecTable().end())
        return std::find(own->second.begin(), own->second.end(), codec->id) != own->second.end();
    const int answer = avformat_query_codec(muxer, codec->id, FF_COMPLIANCE_NORMAL);
    if (answer >= 0)
        return answer == 1;
    // Unknown: trust only the muxer's own defaults.
    return codec->id == muxer->video_codec || codec->id == muxer->audio_codec;
}

bool writesFiles(const AVOutputFormat* m) {
    if (m->video_codec == AV_CODEC_ID_NONE)
        return false;
    const QString name = QString::fromUtf8(m->name);
    if (kNotFiles.contains(name))
        return false;
    if (!kNetwork.contains(name) && (m->flags & AVFMT_NOFILE))
        return false;
    return !encodersFor(m, AVMEDIA_TYPE_VIDEO).empty();
}

int rank(const QString& name, bool network) {
    const int i = int(kBroadcastFirst.indexOf(name));
    if (i >= 0)
        return i;
    return network ? 2000 : 1000;
}

} // namespace

const std::vector<FormatEntry>& exportFormats() {
    static const std::vector<FormatEntry> list = [] {
        std::vector<FormatEntry> out;
        void* it = nullptr;
        while (const AVOutputFormat* m = av_muxer_iterate(&it))
            if (writesFiles(m))
                out.push_back({m, kNetwork.contains(QString::fromUtf8(m->name))});
        std::stable_sort(out.begin(), out.end(), [](const FormatEntry& a, const FormatEntry& b) {
            const int ra = rank(a.name(), a.network), rb = rank(b.name(), b.network);
            return ra != rb ? ra < rb : a.name() < b.name();
        });
        return out;
    }();
    return list;
}

const FormatEntry* findExportFormat(const QString& name) {
    for (const auto& f : exportFormats())
        if (f.name() == name)
            return &f;
    return nullptr;
}

const FormatEntry* formatForFileName(const QString& fileName) {
    const QString ext = QFileInfo(fileName).suffix().toLower();
    if (ext.isEmpty())
        return nullptr;
    // Our order decides between muxers sharing an extension (mxf before mxf_d10, mov before others).
    for (const auto& f : exportFormats()) {
        if (f.network || !f.muxer->extensions)
            continue;
        if (QString::fromUtf8(f.muxer->extensions).split(u',').contains(ext))
            return &f;
    }
    return nullptr;
}

std::vector<const AVCodec*> encodersFor(const AVOutputFormat* muxer, AVMediaType type) {
    std::vector<const AVCodec*> out;
    void* it = nullptr;
    while (const AVCodec* c = av_codec_iterate(&it))
        if (c->type == type && av_codec_is_encoder(c) && usableEncoder(c) && formatHolds(muxer, c))
            out.push_back(c);
    const AVCodecID preferred = type == AVMEDIA_TYPE_VIDEO ? muxer->video_codec : muxer->audio_codec;
    const AVCodec* first = avcodec_find_encoder(preferred);
    std::stable_sort(out.begin(), out.end(), [&](const AVCodec* a, const AVCodec* b) {
        if ((a == first) != (b == first))
            return a == first;
        return qstrcmp(a->name, b->name) < 0;
    });
    return out;
}

const AVCodec* defaultEncoderFor(const AVOutputFormat* muxer, AVMediaType type) {
    const auto list = encodersFor(muxer, type);
    return list.empty() ? nullptr : list.front();
}

} // namespace engine::ff
