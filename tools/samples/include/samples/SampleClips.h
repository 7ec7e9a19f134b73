#pragma once
// Sample recordings for tests, benchmarks and first runs: real encoded clips whose every picture carries
// its frame number (machine-readable and burnt in), whose audio channels each carry their own tone, and
// whose H.264 and MPEG-2 video can carry CEA-608 captions on a known schedule.
#include <QDate>
#include <QImage>
#include <QRect>
#include <QString>
#include <cstdint>

struct AVFrame;

namespace samples {

struct ClipRecipe {
    // The container follows the extension (.mxf .mov .mp4 .m4v .ts .mpg .mkv .avi ...).
    QString path;

    // Video: "h264", "mpeg2video", "prores", "dnxhd" (DNxHD 120 at 1920x1080; at other sizes DNxHR SQ,
    // which is progressive only); empty for an audio-only clip.
    QString videoCodec = "h264";
    int width = 320;
    int height = 180;
    // Pixel aspect ratio, e.g. 64:45 for 720x576 shown at 16:9.
    int pixelAspectNum = 1;
    int pixelAspectDen = 1;
    int rateNum = 30000;
    int rateDen = 1001;
    int frames = 30;
    int gopLength = 15;
    int bFrames = 2;
    bool closedGop = true;
    bool interlaced = false; // top field first, coded as interlaced

    // Audio: "aac", "pcm_s16le", "pcm_s24le" ("mp2" for .mpg); empty for none. Every track has the same
    // channel count.
    QString audioCodec = "aac";
    int audioTracks = 1;
    int channelsPerTrack = 2;
    int sampleRate = 48000;

    // CEA-608 CC1 pop-on captions (H.264 and MPEG-2 only), see captionTextAt.
    bool captions = false;

    // Presentation time of the first frame and first audio sample, in seconds, rounded to a whole frame.
    double startSeconds = 0;
    // Start timecode written as the container's timecode ("10:00:00:00"); empty for none.
    QString startTimecode;

    double framesPerSecond() const { return double(rateNum) / rateDen; }
};

// Encodes the clip for real; throws std::runtime_error with the reason on any failure.
void writeSampleClip(const ClipRecipe& clip);

// --- Frame code ---------------------------------------------------------------------------------
// The top eighth of the picture holds a row of 32 black/white cells: a start guard, 24 bits of the
// frame number, a 4-bit check and a stop guard. Below it the frame number and its timecode
// (timecodeRate frames a second) are burnt in as large digits, and a bright block moves across the lower part
// (half a step further in the bottom field when the frame is marked interlaced).

// Draws into an 8-bit planar YUV 4:2:0 or 4:2:2 frame (its buffers allocated).
void drawFrameCode(AVFrame* frame, int64_t frameNumber, int timecodeRate = 30);

// The frame number read from a luma plane, or -1 when no valid code is there.
int64_t readFrameCode(const uint8_t* luma, int linesize, int width, int height);

// The same from a decoded picture of any pixel format (converted to 8-bit luma when needed).
int64_t readFrameCode(const AVFrame* frame);

// The same from a presented picture. The picture may be scaled and letter-boxed (black bars) inside
// pictureArea; an empty pictureArea means the whole image.
int64_t readFrameCode(const QImage& image, QRect pictureArea = {});

// --- Audio ----------------------------------------------------------------------------------------
// Every source channel (all channels of all audio streams, in stream order) carries its own sine at
// -20 dBFS, continuous from the first sample of the clip.
double toneFrequency(int sourceChannel);
constexpr double kToneAmplitude = 0.1;
// The exact value of a channel's sample, sampleIndex counted from the clip's first audio sample.
double toneSample(int sourceChannel, int64_t sampleIndex, int sampleRate);

// --- Captions -------------------------------------------------------------------------------------
// Caption k (1, 2, ...) reads "CAPTION k" and is sent during second k-1 of the clip (counted in
// whole-second blocks of frames); it pops on a few frames into its block (captionShownAtFrame) and
// stays until the next one replaces it. captionTextAt gives the text on screen at a clip time in
// seconds, empty before the first caption.
QString captionTextAt(double seconds, double framesPerSecond = 30000.0 / 1001.0);
int64_t captionShownAtFrame(int captionNumber, double framesPerSecond = 30000.0 / 1001.0);

// --- Recording tree -------------------------------------------------------------------------------
// ROOT/yyyy/mm/dd/canal1..canal4 with a few short clips per channel, in the ingest system's forms
// (MXF MPEG-2 with 16 mono PCM tracks, MOV, MP4 H.264/AAC; captions in the H.264 and MPEG-2 clips).
void writeSampleTree(const QString& root, QDate date);

} // namespace samples
