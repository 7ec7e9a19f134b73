#include "MovingDetail.h"

#include <algorithm>
#include <random>

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixdesc.h>
}

namespace samples {
namespace {

constexpr int kGrainShifts = 4099; // a prime: successive frames take far-apart windows of the grain
constexpr int kBlob = 16;          // pixels between the random values the soft blobs interpolate

// Smooth random field in [-1, 1]: random values on a coarse grid, interpolated bilinearly.
std::vector<float> softField(int width, int height, std::mt19937& rng) {
    std::uniform_real_distribution<float> value(-1, 1);
    const int gw = width / kBlob + 2, gh = height / kBlob + 2;
    std::vector<float> grid(size_t(gw) * gh);
    for (float& v : grid)
        v = value(rng);
    std::vector<float> field(size_t(width) * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int gx = x / kBlob, gy = y / kBlob;
            const float fx = float(x % kBlob) / kBlob, fy = float(y % kBlob) / kBlob;
            const float* g = &grid[size_t(gy) * gw + gx];
            const float top = g[0] + (g[1] - g[0]) * fx, bottom = g[gw] + (g[gw + 1] - g[gw]) * fx;
            field[size_t(y) * width + x] = top + (bottom - top) * fy;
        }
    return field;
}

// Back and forth over [0, span]: a pan that never jumps.
int triangle(int64_t n, int speed, int span) {
    if (span <= 0)
        return 0;
    const int64_t p = (n * speed) % (2 * span);
    return int(p <= span ? p : 2 * span - p);
}

} // namespace

MovingDetail::MovingDetail(int width, int height)
    : width_(width), height_(height), margin_(std::max(16, width / 30)) {
    std::mt19937 rng(20250705);
    const int tw = width_ + margin_, th = height_ + margin_;
    const std::vector<float> blobs = softField(tw, th, rng), tint = softField(tw, th, rng);
    std::uniform_int_distribution<int> fine(-14, 14), grain(-4, 4);
    luma_.resize(size_t(tw) * th);
    chroma_.resize(luma_.size());
    // Luma stays within 72..178, well above black, so letter-box bars are still told from the picture.
    for (size_t i = 0; i < luma_.size(); ++i) {
        luma_[i] = uint8_t(125 + int(38 * blobs[i]) + fine(rng));
        chroma_[i] = uint8_t(128 + int(24 * tint[i]));
    }
    grain_.resize(size_t(width_) * height_ + kGrainShifts);
    for (int8_t& g : grain_)
        g = int8_t(grain(rng));
}

void MovingDetail::draw(AVFrame* frame, int64_t n) const {
    const AVPixFmtDescriptor* d = av_pix_fmt_desc_get(AVPixelFormat(frame->format));
    const int tw = width_ + margin_;
    const int dx = triangle(n, 2, margin_), dy = triangle(n, 1, margin_);
    const int8_t* grain = &grain_[size_t((n * 1031) % kGrainShifts)];
    const int w = std::min(width_, frame->width), h = std::min(height_, frame->height);
    for (int y = 0; y < h; ++y) {
        const uint8_t* src = &luma_[size_t(y + dy) * tw + dx];
        const int8_t* g = grain + size_t(y) * width_;
        uint8_t* dst = frame->data[0] + y * frame->linesize[0];
        for (int x = 0; x < w; ++x)
            dst[x] = uint8_t(src[x] + g[x]);
    }
    const int cw = -((-w) >> d->log2_chroma_w), ch = -((-h) >> d->log2_chroma_h);
    for (int plane = 1; plane <= 2; ++plane)
        for (int y = 0; y < ch; ++y) {
            // The second plane reads the tint panning the other way, so colours vary.
            const int ty = (y << d->log2_chroma_h) + dy, tx = plane == 1 ? dx : margin_ - dx;
            const uint8_t* src = &chroma_[size_t(ty) * tw + tx];
            uint8_t* dst = frame->data[plane] + y * frame->linesize[plane];
            for (int x = 0; x < cw; ++x)
                dst[x] = src[x << d->log2_chroma_w];
        }
}

} // namespace samples
