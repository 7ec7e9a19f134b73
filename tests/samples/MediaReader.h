#pragma once
// Reads clips back with libavformat/libavcodec, the way a player would, to check what was written.
#include <QString>
#include <functional>
#include <vector>

extern "C" {
#include <libavcodec/codec_par.h>
#include <libavutil/frame.h>
}

namespace samples::testing {

struct StreamInfo {
    AVMediaType type = AVMEDIA_TYPE_UNKNOWN;
    QString codec;
    int width = 0, height = 0;
    int channels = 0;
    AVFieldOrder fieldOrder = AV_FIELD_UNKNOWN;
    int64_t packets = 0;
    double startSeconds = 0;
    QString pixelAspect; // "num:den"
    QString pixelFormat;
    int profile = 0;
    AVRational frameRate{0, 1};
};

struct ProbeResult {
    QString format;
    double startSeconds = 0;
    QString pixelAspect; // "num:den"
    QString timecode;
    std::vector<StreamInfo> streams;
    int count(AVMediaType type) const;
    const StreamInfo& first(AVMediaType type) const;
};

ProbeResult probe(const QString& path);

// Picture types in presentation order ('I', 'P', 'B'), one a picture.
QString pictureTypes(const QString& path);

// Calls back with every decoded picture of the first video stream, in presentation order.
void decodeVideo(const QString& path, const std::function<void(const AVFrame&)>& onFrame);

// Every decoded sample of one audio stream (index among audio streams), one vector per channel; with
// startSeconds, also the time of the first of them.
std::vector<std::vector<double>> decodeAudio(const QString& path, int audioStream,
                                             double* startSeconds = nullptr);

// Power of one frequency in a signal (Goertzel), normalised by its length: a sine of amplitude A gives
// A^2/4.
double tonePower(const std::vector<double>& x, double frequency, int rate);

} // namespace samples::testing
