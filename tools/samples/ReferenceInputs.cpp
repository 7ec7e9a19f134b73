// The benchmark inputs: one recipe each, at full size for benchmarks and the featured sample
// recordings, and small for tests.
#include "samples/SampleClips.h"

#include <cmath>
#include <stdexcept>

extern "C" {
#include <libavcodec/version.h>
#include <libavformat/version.h>
#include <libavutil/avutil.h>
}

namespace samples {
namespace {

constexpr int kFullWidth = 1920, kFullHeight = 1080;
constexpr int kSmallWidth = 320, kSmallHeight = 180;

// A bit rate for the picture size: full-size rates scale with the number of pixels.
int64_t scaledRate(int64_t fullRate, const ClipRecipe& clip) {
    return fullRate * clip.width * clip.height / (kFullWidth * kFullHeight);
}

ClipRecipe common(InputSize size, int rateNum, int rateDen, double seconds) {
    ClipRecipe s;
    s.width = size == InputSize::Full ? kFullWidth : kSmallWidth;
    s.height = size == InputSize::Full ? kFullHeight : kSmallHeight;
    s.rateNum = rateNum;
    s.rateDen = rateDen;
    s.frames = int(std::lround(seconds * s.framesPerSecond()));
    if (s.frames < 1)
        throw std::invalid_argument("a reference input lasts one frame at least");
    s.movingDetail = true;
    s.flashAndBeep = true;
    s.captions = true;
    s.threads = 2;
    return s;
}

ClipRecipe xdcam(InputSize size, double seconds, bool closedGop) {
    ClipRecipe s = common(size, 25, 1, seconds);
    s.path = closedGop ? "xdcam_closed.mxf" : "xdcam.mxf";
    s.videoCodec = "mpeg2video";
    s.chroma422 = true;
    s.interlaced = true;
    s.videoBitRate = scaledRate(50'000'000, s);
    s.constantBitRate = true;
    // VBV buffer of 17.8 Mbit at 50 Mb/s (0.36 s), scaled with the rate.
    s.vbvBufferBits = int(scaledRate(17'825'792, s));
    s.gopLength = 12;
    s.bFrames = 2;
    s.closedGop = closedGop;
    s.audioCodec = "pcm_s24le";
    s.audioTracks = 16;
    s.channelsPerTrack = 1;
    s.startTimecode = "10:00:00:00";
    return s;
}

ClipRecipe h264(InputSize size, double seconds) {
    ClipRecipe s = common(size, 30000, 1001, seconds);
    s.path = "h264.mp4";
    s.videoBitRate = scaledRate(8'000'000, s);
    s.x264Preset = "medium";
    s.gopLength = 120;
    s.bFrames = 3;
    s.bPyramid = true;
    return s;
}

ClipRecipe h264i(InputSize size, double seconds) {
    ClipRecipe s = common(size, 25, 1, seconds);
    s.path = "h264i.ts";
    s.startSeconds = 10; // a transport stream never starts at zero
    s.interlaced = true;
    s.videoBitRate = scaledRate(8'000'000, s);
    s.x264Preset = "veryfast";
    s.gopLength = 50;
    s.bFrames = 3;
    s.audioCodec = "mp2";
    return s;
}

} // namespace

QStringList referenceInputNames() {
    return {"xdcam", "xdcam_closed", "h264", "h264i"};
}

ClipRecipe referenceInput(const QString& name, double seconds, InputSize size) {
    if (name == "xdcam" || name == "xdcam_closed")
        return xdcam(size, seconds, name == "xdcam_closed");
    if (name == "h264")
        return h264(size, seconds);
    if (name == "h264i")
        return h264i(size, seconds);
    throw std::invalid_argument("no reference input named " + name.toStdString() + " (" +
                                referenceInputNames().join(", ").toStdString() + ")");
}

QString recipeText(const ClipRecipe& c) {
    QStringList lines;
    auto add = [&lines](const char* field, const auto& value) {
        lines << QStringLiteral("%1=%2").arg(QLatin1String(field)).arg(value);
    };
    add("container", c.path.mid(c.path.lastIndexOf('.') + 1));
    add("video", c.videoCodec);
    add("chroma422", c.chroma422);
    add("size", QStringLiteral("%1x%2").arg(c.width).arg(c.height));
    add("pixel_aspect", QStringLiteral("%1:%2").arg(c.pixelAspectNum).arg(c.pixelAspectDen));
    add("rate", QStringLiteral("%1/%2").arg(c.rateNum).arg(c.rateDen));
    add("frames", c.frames);
    add("bit_rate", c.videoBitRate);
    add("constant_bit_rate", c.constantBitRate);
    add("vbv_bits", c.vbvBufferBits);
    add("x264_preset", c.x264Preset);
    add("b_pyramid", c.bPyramid);
    add("gop", c.gopLength);
    add("b_frames", c.bFrames);
    add("closed_gop", c.closedGop);
    add("interlaced", c.interlaced);
    if (c.bottomFieldFirst) // only when set: the inputs cached before it keep their keys
        add("bottom_field_first", c.bottomFieldFirst);
    add("moving_detail", c.movingDetail);
    add("flash_and_beep", c.flashAndBeep);
    add("audio", c.audioCodec);
    add("audio_tracks", c.audioTracks);
    add("channels_per_track", c.channelsPerTrack);
    add("sample_rate", c.sampleRate);
    add("captions", c.captions);
    add("start_seconds", c.startSeconds);
    add("start_timecode", c.startTimecode);
    add("threads", c.threads);
    add("ffmpeg", QString::fromLatin1(av_version_info()));
    add("libavcodec", QLatin1String(LIBAVCODEC_IDENT));
    add("libavformat", QLatin1String(LIBAVFORMAT_IDENT));
    return lines.join('\n') + '\n';
}

} // namespace samples
