#include "writer/ChoiceAttributes.h"

#include <QRegularExpression>
#include <QStringList>

#include "core/AvPtr.h"
#include "core/MediaSink.h"
#include "engine/OperatorTexts.h"
#include "writer/OptionTable.h"

extern "C" {
#include <libavutil/pixdesc.h>
}

namespace engine::ff {
namespace {

const QStringList kVideoGeneric = {"b", "g", "bf", "maxrate", "minrate", "bufsize"};
const QStringList kAudioGeneric = {"b"};

// libx264 keeps preset, tune and profile as free strings: offer the names x264 knows.
struct KnownNames {
    const char* codec;
    const char* option;
    const char* names;
};
const KnownNames kKnownNames[] = {
    {"libx264", "preset", "ultrafast,superfast,veryfast,faster,fast,medium,slow,slower,veryslow,placebo"},
    {"libx264", "tune", "film,animation,grain,stillimage,psnr,ssim,fastdecode,zerolatency"},
    {"libx264", "profile", "baseline,main,high,high10,high422,high444"},
    {"libx264rgb", "preset", "ultrafast,superfast,veryfast,faster,fast,medium,slow,slower,veryslow,placebo"},
    {"libx264rgb", "tune", "film,animation,grain,stillimage,psnr,ssim,fastdecode,zerolatency"},
};

AVOutputPtr liveFormatContext(const AVOutputFormat* muxer) {
    AVFormatContext* ctx = nullptr;
    avformat_alloc_output_context2(&ctx, muxer, nullptr, nullptr);
    return AVOutputPtr(ctx);
}

QStringList pixelFormatNames(const AVCodec* c) {
    QStringList out;
    for (const AVPixelFormat* p = c->pix_fmts; p && *p != AV_PIX_FMT_NONE; ++p)
        out << QString::fromUtf8(av_get_pix_fmt_name(*p));
    return out;
}
QStringList sampleFormatNames(const AVCodec* c) {
    QStringList out;
    for (const AVSampleFormat* s = c->sample_fmts; s && *s != AV_SAMPLE_FMT_NONE; ++s)
        out << QString::fromUtf8(av_get_sample_fmt_name(*s));
    return out;
}
QStringList sampleRateNames(const AVCodec* c) {
    QStringList out;
    for (const int* r = c->supported_samplerates; r && *r; ++r)
        out << QString::number(*r);
    return out;
}

std::vector<AttributeDef> pipelineDefs(const AVCodec* c) {
    if (c->type == AVMEDIA_TYPE_VIDEO) {
        const QStringList fmts = pixelFormatNames(c);
        return {{"pix_fmt", texts::pixelFormatHelp(), "option_fixed", QString(), fmts.join(u','), false}};
    }
    QStringList channels;
    for (int n = 1; n <= AudioBlock::kOutputChannels; ++n)
        channels << QString::number(n);
    const QStringList rates = sampleRateNames(c);
    const QStringList fmts = sampleFormatNames(c);
    return {
        {"ar", texts::sampleRateHelp(), "option", QString::number(defaultSampleRate(c)),
         rates.isEmpty() ? QStringLiteral("48000") : rates.join(u','), false},
        {"ac", texts::channelCountHelp(AudioBlock::kOutputChannels), "option",
         QString::number(defaultChannelCount(c)), channels.join(u','), false},
        {"sample_fmt", texts::sampleFormatHelp(), "option_fixed", fmts.value(0), fmts.join(u','), false},
    };
}

void applyKnownNames(const AVCodec* c, std::vector<AttributeDef>& defs) {
    for (auto& s : defs)
        for (const auto& k : kKnownNames)
            if (qstrcmp(c->name, k.codec) == 0 && s.name == QLatin1String(k.option)) {
                s.namedValues = QString::fromLatin1(k.names);
                s.type = QStringLiteral("option");
            }
}

} // namespace

bool isPipelineAttribute(const QString& name) {
    return name == u"pix_fmt" || name == u"ar" || name == u"ac" || name == u"sample_fmt";
}

int defaultChannelCount(const AVCodec* c) {
    const AVCodecDescriptor* d = avcodec_descriptor_get(c->id);
    const bool pcm = d && QByteArray(d->name).startsWith("pcm_");
    if (pcm)
        return AudioBlock::kOutputChannels;
    int maxChannels = 0;
    for (const AVChannelLayout* l = c->ch_layouts; l && l->nb_channels; ++l)
        maxChannels = std::max(maxChannels, l->nb_channels);
    return maxChannels == 1 ? 1 : 2;
}

int defaultSampleRate(const AVCodec* c) {
    int best = 0;
    for (const int* r = c->supported_samplerates; r && *r; ++r) {
        if (*r == 48000)
            return 48000;
        if (std::abs(*r - 48000) < std::abs(best - 48000))
            best = *r;
    }
    return best ? best : 48000;
}

std::optional<int64_t> parseBitRate(const QString& text) {
    static const QRegularExpression re(QStringLiteral("^\\s*(\\d+(?:\\.\\d+)?)\\s*([kKmM]?)\\s*$"));
    const auto m = re.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    double v = m.captured(1).toDouble();
    const QString unit = m.captured(2).toUpper();
    if (unit == u"K")
        v *= 1e3;
    if (unit == u"M")
        v *= 1e6;
    if (v > 1e12)
        return std::nullopt;
    return int64_t(v + 0.5);
}

std::vector<AttributeDef> formatAttributes(const FormatEntry& format) {
    const AVOutputFormat* muxer = format.muxer;
    std::vector<AttributeDef> defs = {
        {"extensions", texts::extensionsHelp(), "string",
         QString::fromUtf8(muxer->extensions ? muxer->extensions : ""), QString(), true},
        {"network", texts::networkHelp(), "bool",
         format.network ? QStringLiteral("true") : QStringLiteral("false"), QStringLiteral("true,false"),
         true},
    };
    if (!muxer->priv_class)
        return defs;
    AVOutputPtr ctx = liveFormatContext(muxer);
    if (!ctx || !ctx->priv_data)
        return defs;
    for (auto& s : optionDefs(ctx->priv_data))
        defs.push_back(std::move(s));
    return defs;
}

std::vector<AttributeDef> encoderAttributes(const AVCodec* c) {
    AVCodecContextPtr ctx(avcodec_alloc_context3(c));
    std::vector<AttributeDef> defs;
    if (!ctx)
        return defs;
    defs = optionDefs(ctx.get(), c->type == AVMEDIA_TYPE_VIDEO ? kVideoGeneric : kAudioGeneric);
    for (auto& s : defs)
        if (s.name == u"b") {
            s.help = texts::bitRateHelp();
            s.type = QStringLiteral("string");
        }
    for (auto& s : pipelineDefs(c))
        defs.push_back(std::move(s));
    if (c->priv_class && ctx->priv_data)
        for (auto& s : optionDefs(ctx->priv_data))
            if (std::none_of(defs.begin(), defs.end(),
                             [&](const AttributeDef& o) { return o.name == s.name; }))
                defs.push_back(std::move(s));
    applyKnownNames(c, defs);
    return defs;
}

QString checkFormatValue(const AVOutputFormat* muxer, const QString& name, const QString& value) {
    AVOutputPtr ctx = liveFormatContext(muxer);
    if (!ctx || !muxer->priv_class || !ctx->priv_data)
        return texts::formatHasNoSetting(QString::fromUtf8(muxer->name), name);
    if (av_opt_set(ctx->priv_data, name.toUtf8().constData(), value.toUtf8().constData(), 0) < 0)
        return texts::formatRefuses(QString::fromUtf8(muxer->name), name, value);
    return {};
}

QString checkEncoderValue(const AVCodec* c, const QString& name, const QString& value) {
    const QString codec = QString::fromUtf8(c->name);
    auto refuse = [&] { return texts::codecRefuses(codec, name, value); };
    if (name == u"b")
        return parseBitRate(value) ? QString() : refuse();
    if (name == u"ac") {
        bool ok = false;
        const int n = value.toInt(&ok);
        return ok && n >= 1 && n <= AudioBlock::kOutputChannels ? QString() : refuse();
    }
    if (name == u"ar") {
        bool ok = false;
        const int r = value.toInt(&ok);
        const QStringList rates = sampleRateNames(c);
        return ok && r > 0 && (rates.isEmpty() || rates.contains(value)) ? QString() : refuse();
    }
    if (name == u"pix_fmt")
        return pixelFormatNames(c).contains(value) || !c->pix_fmts ? QString() : refuse();
    if (name == u"sample_fmt")
        return sampleFormatNames(c).contains(value) ? QString() : refuse();
    AVCodecContextPtr ctx(avcodec_alloc_context3(c));
    if (!ctx || av_opt_set(ctx.get(), name.toUtf8().constData(), value.toUtf8().constData(),
                           AV_OPT_SEARCH_CHILDREN) < 0)
        return refuse();
    return {};
}

} // namespace engine::ff
