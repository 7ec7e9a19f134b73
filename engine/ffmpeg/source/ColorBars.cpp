#include "source/ColorBars.h"

#include <array>
#include <cmath>

extern "C" {
#include <libavutil/imgutils.h>
}

namespace engine::ff {
namespace {
constexpr int kWidth = 1920, kHeight = 1080;
constexpr AVRational kRate{30000, 1001};
constexpr int kSampleRate = 48000;
constexpr double kToneHz = 1000, kToneAmplitude = 0.1; // -20 dBFS

struct Ycc {
    int y, cb, cr;
};

// Limited-range BT.709 of an R'G'B' colour given as fractions of full scale.
Ycc bt709(double r, double g, double b) {
    const double y = 0.2126 * r + 0.7152 * g + 0.0722 * b;
    return {int(std::lround(16 + 219 * y)), int(std::lround(128 + 224 * (b - y) / 1.8556)),
            int(std::lround(128 + 224 * (r - y) / 1.5748))};
}
Ycc grey(double level) {
    return bt709(level, level, level);
}

struct Span {
    int width;
    Ycc colour;
};

void fillRows(AVFrame* f, int top, int height, const std::vector<Span>& spans) {
    int x = 0;
    for (const Span& s : spans) {
        for (int row = top; row < top + height; ++row) {
            std::fill_n(f->data[0] + row * f->linesize[0] + x, s.width, uint8_t(s.colour.y));
            if (row % 2 == 0) {
                std::fill_n(f->data[1] + (row / 2) * f->linesize[1] + x / 2, s.width / 2,
                            uint8_t(s.colour.cb));
                std::fill_n(f->data[2] + (row / 2) * f->linesize[2] + x / 2, s.width / 2,
                            uint8_t(s.colour.cr));
            }
        }
        x += s.width;
    }
}
} // namespace

AVFramePtr ColorBarsReader::makeBarsPicture() {
    AVFramePtr f = makeFrame();
    f->format = AV_PIX_FMT_YUV420P;
    f->width = kWidth;
    f->height = kHeight;
    f->colorspace = AVCOL_SPC_BT709;
    f->color_primaries = AVCOL_PRI_BT709;
    f->color_trc = AVCOL_TRC_BT709;
    f->color_range = AVCOL_RANGE_MPEG;
    av_frame_get_buffer(f.get(), 0);

    // Widths for 1920: side d = 240, bar c = 206 (the green bar 204), heights 7/12, 1/12, 1/12, 3/12.
    const int d = 240, c = 206;
    const Ycc grey40 = grey(0.4), w75 = grey(0.75);
    fillRows(f.get(), 0, 630,
             {{d, grey40},
              {c, w75},
              {c, bt709(0.75, 0.75, 0)},
              {c, bt709(0, 0.75, 0.75)},
              {204, bt709(0, 0.75, 0)},
              {c, bt709(0.75, 0, 0.75)},
              {c, bt709(0.75, 0, 0)},
              {c, bt709(0, 0, 0.75)},
              {d, grey40}});
    fillRows(f.get(), 630, 90, {{d, bt709(0, 1, 1)}, {kWidth - 2 * d, w75}, {d, bt709(0, 0, 1)}});
    // Row 3: yellow, a luma ramp from black to white, red.
    fillRows(f.get(), 720, 90, {{d, bt709(1, 1, 0)}, {kWidth - 2 * d, grey(0)}, {d, bt709(1, 0, 0)}});
    for (int row = 720; row < 810; ++row)
        for (int x = d; x < kWidth - d; ++x)
            f->data[0][row * f->linesize[0] + x] = uint8_t(16 + (219 * (x - d)) / (kWidth - 2 * d - 1));
    // Row 4: 15% grey, black, 100% white, black, the -2/0/+2/0/+4 % pluge, black, 15% grey.
    const Ycc black = grey(0), g15 = grey(0.15);
    const Ycc minus2{12, 128, 128}, plus2{20, 128, 128}, plus4{25, 128, 128};
    fillRows(f.get(), 810, 270,
             {{d, g15},
              {310, black},
              {412, grey(1.0)},
              {170, black},
              {70, minus2},
              {68, black},
              {70, plus2},
              {68, black},
              {70, plus4},
              {202, black},
              {d, g15}});
    return f;
}

ColorBarsReader::ColorBarsReader() : picture_(makeBarsPicture()) {
    info_.hasVideo = true;
    info_.audioChannels = 2;
    info_.duration = 0;
    info_.frameDuration = av_q2d(av_inv_q(kRate));
    info_.endless = true;
}

bool ColorBarsReader::seek(double target, const AbortCheck&, const FrameObserver&) {
    next_ = target > 0 ? int64_t(std::floor(target / info_.frameDuration + 0.01)) : 0;
    return true;
}

FrameHandle ColorBarsReader::frameAt(int64_t index) const {
    auto vf = std::make_shared<VideoFrame>();
    vf->frame.reset(av_frame_clone(picture_.get())); // shares the picture's buffers
    vf->position = double(index) * info_.frameDuration;
    vf->duration = info_.frameDuration;
    vf->index = index;
    return vf;
}

bool ColorBarsReader::read(ReadOut& out) {
    const int64_t index = next_++;
    out.video.push_back(frameAt(index));
    // The tone for this frame's span, sample-exact from frame to frame.
    const int64_t first = index * kSampleRate * kRate.den / kRate.num;
    const int64_t last = (index + 1) * kSampleRate * kRate.den / kRate.num;
    auto block = std::make_shared<SourceAudio>();
    block->position = double(first) / kSampleRate;
    block->sampleRate = kSampleRate;
    block->channels = 2;
    block->samples.resize(size_t(last - first) * 2);
    for (int64_t n = first; n < last; ++n) {
        const float v =
            float(kToneAmplitude * std::sin(2 * M_PI * kToneHz * double(n % kSampleRate) / kSampleRate));
        block->samples[size_t(n - first) * 2] = v;
        block->samples[size_t(n - first) * 2 + 1] = v;
    }
    out.audio.push_back(std::move(block));
    return true;
}

} // namespace engine::ff
