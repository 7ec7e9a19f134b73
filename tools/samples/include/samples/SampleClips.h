#pragma once
// Sample recordings for tests, benchmarks and first runs: real encoded clips whose every picture carries
// its frame number (machine-readable and burnt in), whose audio channels each carry their own tone, whose
// H.264 and MPEG-2 video can carry CEA-608 captions on a known schedule, and which can carry a white
// flash with a 1 kHz beep on the same frame every second, to judge lip sync by eye, ear or program.
#include <QDate>
#include <QImage>
#include <QRect>
#include <QString>
#include <QStringList>
#include <cstdint>

struct AVFrame;

namespace samples {

struct ClipRecipe {
    // The container follows the extension (.mxf .mov .mp4 .m4v .ts .mpg .mkv .avi ...).
    QString path;

    // Video: "h264", "mpeg2video", "prores", "dnxhd" (DNxHD 120 at 1920x1080; at other sizes DNxHR SQ,
    // which is progressive only); empty for an audio-only clip.
    QString videoCodec = "h264";
    // MPEG-2 only: 4:2:2 sampling, coded as 4:2:2 profile at high level (main level below 720 lines).
    bool chroma422 = false;
    // Bit rate in bits/s; 0 leaves it to the codec (x264: constant quality).
    int64_t videoBitRate = 0;
    // Constant bit rate: minimum = maximum = videoBitRate, with a VBV buffer of vbvBufferBits.
    bool constantBitRate = false;
    int vbvBufferBits = 0;
    // x264 preset; "normal" B-pyramid when bPyramid is set (with bFrames >= 2).
    QString x264Preset = "ultrafast";
    bool bPyramid = false;
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
    bool lowDelay = false; // MPEG-2 without B pictures, said so in its sequence extension
    bool closedGop = true;
    bool interlaced = false; // top field first, coded as interlaced (MBAFF in H.264)
    bool bottomFieldFirst = false; // interlaced with the bottom field first instead
    // Encoder threads; 0: two from 720 lines up, else one.
    int threads = 0;

    // A textured background that pans and changes grain every frame, so pictures cost what real ones
    // do to code and decode; otherwise a flat grey background.
    bool movingDetail = false;
    // A white flash on the first frame of every timecode second, and on the same frame a 1 kHz beep on
    // source channels 0 and 1, over their tones (see isFlashFrame, beepSample).
    bool flashAndBeep = false;

    // Audio: "aac", "pcm_s16le", "pcm_s24le" ("mp2" for .mpg); empty for none. Every track has the same
    // channel count.
    QString audioCodec = "aac";
    int audioTracks = 1;
    int channelsPerTrack = 2;
    int sampleRate = 48000;
    // A damaged recording: track `endedTrack` stops after the first `endedTrackFrames` frames' sound.
    int endedTrack = -1;
    int endedTrackFrames = 0;

    // CEA-608 CC1 pop-on captions (H.264 and MPEG-2 only), see captionTextAt.
    bool captions = false;

    // Presentation time of the first frame and first audio sample, in seconds, rounded to a whole frame.
    double startSeconds = 0;
    // Start timecode written as the container's timecode ("10:00:00:00"); empty for none. The burnt-in
    // timecode counts from it (from 00:00:00:00 when empty).
    QString startTimecode;

    double framesPerSecond() const { return double(rateNum) / rateDen; }
    // Frames in one timecode second (25 for 25 fps, 30 for 29.97).
    int timecodeRate() const;
    // The exact value of a source channel's sample as written (tone, plus the beep where there is one),
    // sampleIndex counted from the clip's first audio sample.
    double sourceSample(int sourceChannel, int64_t sampleIndex) const;
};

// Encodes the clip for real; throws std::runtime_error with the reason on any failure.
void writeSampleClip(const ClipRecipe& clip);

// --- Frame code ---------------------------------------------------------------------------------
// The top eighth of the picture holds a row of 32 black/white cells: a start guard, 24 bits of the
// frame number, a 4-bit check and a stop guard. Below it the frame number and its timecode
// (timecodeRate frames a second) are burnt in as large digits, and a bright block moves across the lower part
// (half a step further in the bottom field when the frame is marked interlaced).

// Draws into an 8-bit planar YUV 4:2:0 or 4:2:2 frame (its buffers allocated), over a flat background.
void drawFrameCode(AVFrame* frame, int64_t frameNumber, int timecodeRate = 30);

struct FrameCodeStyle {
    int timecodeRate = 30;
    // The burnt-in timecode of frame 0, in frames (10:00:00:00 at 25 fps is 900000).
    int64_t firstTimecodeFrame = 0;
    // Flat grey, the flash's flat white, or what the frame already holds (drawn before).
    enum class Background { Flat, White, Drawn } background = Background::Flat;
};
void drawFrameCode(AVFrame* frame, int64_t frameNumber, const FrameCodeStyle& style);

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

// --- Flash and beep -------------------------------------------------------------------------------
// Frame n flashes white when it starts a timecode second (n a multiple of timecodeRate). The beep on
// source channels 0 and 1 starts with the flash frame's first audio sample, lasts that frame, and is a
// 1 kHz sine of amplitude kBeepAmplitude starting at phase 0, added to the channel's tone.
constexpr double kBeepFrequency = 1000.0;
constexpr double kBeepAmplitude = 0.5;
constexpr int kBeepChannels = 2;
bool isFlashFrame(int64_t frameNumber, int timecodeRate);
// The beep's part of a sample of channel 0 or 1 (0 outside the beep).
double beepSample(int64_t sampleIndex, int sampleRate, int rateNum, int rateDen);
// First audio sample of frame n: where its beep starts when it flashes.
int64_t firstSampleOfFrame(int64_t frameNumber, int sampleRate, int rateNum, int rateDen);
// Whether a picture shows the flash: its background between the burnt-in digits and the moving block
// is near white. For 8-bit luma, a decoded picture, and a presented picture inside pictureArea.
bool showsFlash(const uint8_t* luma, int linesize, int width, int height);
bool showsFlash(const AVFrame* frame);
bool showsFlash(const QImage& image, QRect pictureArea = {});

// --- Reference inputs -----------------------------------------------------------------------------
// The benchmark inputs, one recipe each, also used for the featured sample recordings:
//   xdcam        MXF OP1a, MPEG-2 4:2:2P@HL 1920x1080i25 TFF, CBR 50 Mb/s, GOP 12 with 2 B (open), 16 mono
//                PCM 24-bit 48 kHz tracks, start timecode 10:00:00:00
//   xdcam_closed the same with closed GOPs
//   h264         MP4, H.264 High 1920x1080p29.97, GOP 120 with 3 B and B-pyramid, x264 preset medium,
//                8 Mb/s, AAC stereo
//   h264i        MPEG-TS, H.264 1920x1080i25 MBAFF, GOP 50 with 3 B, x264 preset veryfast, 8 Mb/s, MP2
//                stereo, starting at 10 s
// All with moving detail, captions, the burnt-in frame code and timecode, the flash and the beep.
// Small ones keep the structure (codecs, scan, GOP, tracks, rates) at 320x180 (MPEG-2 4:2:2 main
// level) for tests. Throws std::invalid_argument for an unknown name or a length under one frame.
enum class InputSize { Full, Small };
QStringList referenceInputNames();
ClipRecipe referenceInput(const QString& name, double seconds, InputSize size = InputSize::Full);
// Everything that decides the encoded file, one "field=value" a line, with the library versions: the
// key under which an encoded input may be cached.
QString recipeText(const ClipRecipe& clip);

// --- Captions -------------------------------------------------------------------------------------
// Caption k (1, 2, ...) reads "CAPTION k" and is sent during second k-1 of the clip (counted in
// whole-second blocks of frames); it pops on a few frames into its block (captionShownAtFrame) and
// stays until the next one replaces it. captionTextAt gives the text on screen at a clip time in
// seconds, empty before the first caption.
QString captionTextAt(double seconds, double framesPerSecond = 30000.0 / 1001.0);
int64_t captionShownAtFrame(int captionNumber, double framesPerSecond = 30000.0 / 1001.0);

// --- Recording tree -------------------------------------------------------------------------------
// ROOT/yyyy/mm/dd/canal1..canal4 for the day and the day before, with clips in the ingest system's forms
// (MXF MPEG-2 with 16 mono PCM tracks, MOV, MP4 and MPEG-TS H.264). Today's folders hold the featured
// clips at full size (xdcam 30 s, h264i 60 s, an anamorphic 720x576 16:9 MXF); the others are 720p or
// SD, 30 s to 2 min. Every clip has moving detail, the flash and beep, and captions where its codec
// carries them. Small gives the same tree at 320x180 (SD MXF 360x288) and 3 s a clip, for tests.
void writeSampleTree(const QString& root, QDate today, InputSize size = InputSize::Full);
// One day of it: today's folders, or those of any earlier day.
enum class SampleDay { Today, DayBefore };
void writeSampleDay(const QString& root, QDate date, SampleDay day, InputSize size = InputSize::Full);

} // namespace samples
