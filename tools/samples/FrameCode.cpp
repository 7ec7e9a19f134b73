// The frame code: a row of large black/white cells across the top band of the picture, which survives
// lossy coding and scaling, plus the frame number burnt in as blocky digits and a moving block.
#include "samples/SampleClips.h"

#include "AvPtr.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixdesc.h>
}

namespace samples {
namespace {

constexpr int kCells = 32;
constexpr int kDataBits = 24;
constexpr int kCheckBits = 4;
constexpr int kFirstDataCell = 2;
constexpr int kFirstCheckCell = kFirstDataCell + kDataBits;
constexpr uint8_t kWhite = 235;
constexpr uint8_t kBlack = 16;
constexpr uint8_t kBackground = 96;
constexpr uint8_t kNeutralChroma = 128;
// Mean level over which a background counts as the flash: white is 235 as luma and 255 as grey, the
// moving detail stays under 185.
constexpr double kFlashLevel = 210;

int bandHeight(int height) {
    return std::max(1, height / 8);
}

int checkNibble(uint32_t value) {
    int sum = 0;
    for (int i = 0; i < kDataBits / 4; ++i)
        sum += (value >> (4 * i)) & 0xF;
    return (sum ^ 0xA) & 0xF;
}

// Cell pattern of one code: start guard white-black, data, check, stop guard black-white.
std::array<bool, kCells> codeCells(uint32_t value) {
    std::array<bool, kCells> white{};
    white[0] = true;
    white[kCells - 1] = true;
    for (int b = 0; b < kDataBits; ++b)
        white[kFirstDataCell + b] = (value >> (kDataBits - 1 - b)) & 1;
    const int check = checkNibble(value);
    for (int b = 0; b < kCheckBits; ++b)
        white[kFirstCheckCell + b] = (check >> (kCheckBits - 1 - b)) & 1;
    return white;
}

struct Planes {
    AVFrame* f;
    int chromaShiftW;
    int chromaShiftH;

    void fillLuma(int x0, int y0, int x1, int y1, uint8_t v) const {
        x0 = std::clamp(x0, 0, f->width), x1 = std::clamp(x1, 0, f->width);
        y0 = std::clamp(y0, 0, f->height), y1 = std::clamp(y1, 0, f->height);
        for (int y = y0; y < y1; ++y)
            std::fill(f->data[0] + y * f->linesize[0] + x0, f->data[0] + y * f->linesize[0] + x1, v);
    }
    void fillChroma(int x0, int y0, int x1, int y1, uint8_t u, uint8_t v) const {
        const int cw = -((-f->width) >> chromaShiftW), ch = -((-f->height) >> chromaShiftH);
        const int cx0 = std::clamp(x0 >> chromaShiftW, 0, cw),
                  cx1 = std::clamp(-((-x1) >> chromaShiftW), 0, cw);
        const int cy0 = std::clamp(y0 >> chromaShiftH, 0, ch),
                  cy1 = std::clamp(-((-y1) >> chromaShiftH), 0, ch);
        for (int y = cy0; y < cy1; ++y) {
            std::fill(f->data[1] + y * f->linesize[1] + cx0, f->data[1] + y * f->linesize[1] + cx1, u);
            std::fill(f->data[2] + y * f->linesize[2] + cx0, f->data[2] + y * f->linesize[2] + cx1, v);
        }
    }
};

// 3x5 glyphs for the digits and ':', one row per 3 bits (MSB left).
constexpr std::array<std::array<uint8_t, 5>, 11> kGlyphs{{
    {7, 5, 5, 5, 7},
    {2, 6, 2, 2, 7},
    {7, 1, 7, 4, 7},
    {7, 1, 7, 1, 7},
    {5, 5, 7, 1, 1},
    {7, 4, 7, 1, 7},
    {7, 4, 7, 5, 7},
    {7, 1, 1, 1, 1},
    {7, 5, 7, 5, 7},
    {7, 5, 7, 1, 7},
    {0, 2, 0, 2, 0},
}};

int textScale(int height) {
    return std::max(2, height / 40);
}

// White blocky text on a black box, centred; returns the row below the box.
int drawText(const Planes& p, const std::string& text, int y0) {
    const int scale = textScale(p.f->height);
    const int advance = 4 * scale;
    const int boxW = int(text.size()) * advance + scale, boxH = 7 * scale;
    const int x0 = (p.f->width - boxW) / 2;
    p.fillLuma(x0, y0, x0 + boxW, y0 + boxH, kBlack);
    p.fillChroma(x0, y0, x0 + boxW, y0 + boxH, kNeutralChroma, kNeutralChroma);
    for (size_t i = 0; i < text.size(); ++i) {
        const auto& glyph = kGlyphs[text[i] == ':' ? 10 : size_t(text[i] - '0')];
        const int gx = x0 + scale + int(i) * advance, gy = y0 + scale;
        for (int row = 0; row < 5; ++row)
            for (int col = 0; col < 3; ++col)
                if (glyph[row] & (4 >> col))
                    p.fillLuma(gx + col * scale, gy + row * scale, gx + (col + 1) * scale,
                               gy + (row + 1) * scale, kWhite);
    }
    return y0 + boxH;
}

void drawCounter(const Planes& p, int64_t n, const FrameCodeStyle& style) {
    n = std::max<int64_t>(n, 0);
    const int64_t rate = std::max(1, style.timecodeRate);
    const int64_t tc = n + std::max<int64_t>(style.firstTimecodeFrame, 0);
    char counter[16], timecode[32];
    std::snprintf(counter, sizeof counter, "%07lld", static_cast<long long>(n % 10'000'000));
    std::snprintf(timecode, sizeof timecode, "%02lld:%02lld:%02lld:%02lld",
                  static_cast<long long>(tc / (3600 * rate) % 100),
                  static_cast<long long>(tc / (60 * rate) % 60), static_cast<long long>(tc / rate % 60),
                  static_cast<long long>(tc % rate));
    const int below = drawText(p, counter, bandHeight(p.f->height) + p.f->height / 16);
    drawText(p, timecode, below + textScale(p.f->height));
}

// In an interlaced picture the bottom field is half a frame later, so the block has moved on there:
// a renderer that weaves the fields shows combing on it.
void drawMovingBlock(const Planes& p, int64_t n) {
    const int size = std::max(8, p.f->height / 6);
    const int travel = std::max(1, p.f->width - size);
    const int step = std::max(2, p.f->width / 80);
    const int y = p.f->height * 3 / 4 - size / 2;
    const bool fields = p.f->interlaced_frame;
    const int top = int((n * step) % travel);
    const int bottom = fields ? int((n * step + step / 2) % travel) : top;
    for (int row = y; row < y + size && row < p.f->height; ++row) {
        const int x = (fields && row % 2 == 1) ? bottom : top;
        p.fillLuma(x, row, x + size, row + 1, 200);
    }
    p.fillChroma(std::min(top, bottom), y, std::max(top, bottom) + size, y + size, 90, 200);
}

// Runs use(luma, linesize) on the frame's 8-bit luma, converted when the frame has another format;
// does nothing for a frame with no picture or one that cannot be converted.
template <class Use> void withLuma(const AVFrame* frame, Use use) {
    if (!frame || frame->width <= 0 || frame->height <= 0)
        return;
    const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(AVPixelFormat(frame->format));
    if (desc && desc->comp[0].depth == 8 && desc->comp[0].step == 1 && !(desc->flags & AV_PIX_FMT_FLAG_RGB) &&
        !(desc->flags & AV_PIX_FMT_FLAG_HWACCEL))
        return use(frame->data[0], frame->linesize[0]);
    engine::ff::SwsPtr sws(sws_getContext(frame->width, frame->height, AVPixelFormat(frame->format),
                                          frame->width, frame->height, AV_PIX_FMT_GRAY8, SWS_POINT, nullptr,
                                          nullptr, nullptr));
    if (!sws)
        return;
    std::vector<uint8_t> luma(size_t(frame->width) * frame->height);
    uint8_t* dst[4] = {luma.data(), nullptr, nullptr, nullptr};
    int dstStride[4] = {frame->width, 0, 0, 0};
    sws_scale(sws.get(), frame->data, frame->linesize, 0, frame->height, dst, dstStride);
    use(luma.data(), frame->width);
}

// A presented picture in 8-bit grey, cut to what is not letter-box black inside pictureArea (an empty
// area: the whole image); null when nothing is there.
QImage pictureInside(const QImage& image, QRect pictureArea) {
    if (image.isNull())
        return {};
    const QRect area = (pictureArea.isEmpty() ? image.rect() : pictureArea).intersected(image.rect());
    if (area.isEmpty())
        return {};
    const QImage gray = image.copy(area).convertToFormat(QImage::Format_Grayscale8);

    // The picture is what is not letter-box black; its background is lighter than that to the edges.
    constexpr int kBarLevel = 40;
    int left = gray.width(), right = -1, top = gray.height(), bottom = -1;
    for (int y = 0; y < gray.height(); ++y) {
        const uchar* row = gray.constScanLine(y);
        for (int x = 0; x < gray.width(); ++x)
            if (row[x] > kBarLevel) {
                left = std::min(left, x), right = std::max(right, x);
                top = std::min(top, y), bottom = std::max(bottom, y);
            }
    }
    if (right < left || bottom < top)
        return {};
    return gray.copy(left, top, right - left + 1, bottom - top + 1);
}

} // namespace

void drawFrameCode(AVFrame* frame, int64_t frameNumber, int timecodeRate) {
    FrameCodeStyle style;
    style.timecodeRate = timecodeRate;
    drawFrameCode(frame, frameNumber, style);
}

void drawFrameCode(AVFrame* frame, int64_t frameNumber, const FrameCodeStyle& style) {
    const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(AVPixelFormat(frame->format));
    if (!desc || desc->nb_components < 3 || desc->comp[0].depth != 8 || (desc->flags & AV_PIX_FMT_FLAG_RGB) ||
        !(desc->flags & AV_PIX_FMT_FLAG_PLANAR))
        throw std::runtime_error("drawFrameCode needs an 8-bit planar YUV frame");
    const Planes p{frame, desc->log2_chroma_w, desc->log2_chroma_h};
    const int w = frame->width, h = frame->height;

    if (style.background != FrameCodeStyle::Background::Drawn) {
        p.fillLuma(0, 0, w, h, style.background == FrameCodeStyle::Background::White ? kWhite : kBackground);
        p.fillChroma(0, 0, w, h, kNeutralChroma, kNeutralChroma);
    }

    const auto cells = codeCells(uint32_t(frameNumber) & ((1u << kDataBits) - 1));
    for (int i = 0; i < kCells; ++i)
        p.fillLuma(i * w / kCells, 0, (i + 1) * w / kCells, bandHeight(h), cells[i] ? kWhite : kBlack);

    drawCounter(p, frameNumber, style);
    drawMovingBlock(p, frameNumber);
}

int64_t readFrameCode(const uint8_t* luma, int linesize, int width, int height) {
    if (!luma || width < kCells || height < 8)
        return -1;
    const int band = bandHeight(height);
    // Mean of the middle half of each cell, so blur at cell edges does not matter.
    std::array<double, kCells> mean{};
    for (int i = 0; i < kCells; ++i) {
        const int x0 = i * width / kCells, x1 = (i + 1) * width / kCells;
        const int sx0 = x0 + (x1 - x0) / 4, sx1 = std::max(sx0 + 1, x1 - (x1 - x0) / 4);
        const int sy0 = band / 4, sy1 = std::max(sy0 + 1, band - band / 4);
        long sum = 0;
        for (int y = sy0; y < sy1; ++y)
            for (int x = sx0; x < sx1; ++x)
                sum += luma[y * linesize + x];
        mean[i] = double(sum) / ((sx1 - sx0) * (sy1 - sy0));
    }
    const double white = (mean[0] + mean[kCells - 1]) / 2, black = (mean[1] + mean[kCells - 2]) / 2;
    if (white - black < 60)
        return -1;
    const double threshold = (white + black) / 2;
    uint32_t value = 0;
    for (int b = 0; b < kDataBits; ++b)
        value = (value << 1) | (mean[kFirstDataCell + b] > threshold ? 1 : 0);
    int check = 0;
    for (int b = 0; b < kCheckBits; ++b)
        check = (check << 1) | (mean[kFirstCheckCell + b] > threshold ? 1 : 0);
    return check == checkNibble(value) ? int64_t(value) : -1;
}

int64_t readFrameCode(const AVFrame* frame) {
    int64_t code = -1;
    withLuma(frame, [&](const uint8_t* luma, int linesize) {
        code = readFrameCode(luma, linesize, frame->width, frame->height);
    });
    return code;
}

int64_t readFrameCode(const QImage& image, QRect pictureArea) {
    const QImage picture = pictureInside(image, pictureArea);
    return picture.isNull() ? -1
                            : readFrameCode(picture.constBits(), int(picture.bytesPerLine()), picture.width(),
                                            picture.height());
}

bool showsFlash(const uint8_t* luma, int linesize, int width, int height) {
    if (!luma || width < 16 || height < 16)
        return false;
    // The band between the burnt-in digits (above 57 % of the height) and the moving block (below 66 %).
    const int x0 = width / 50, x1 = width - width / 50;
    const int y0 = height * 59 / 100, y1 = std::max(y0 + 1, height * 65 / 100);
    long sum = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            sum += luma[y * linesize + x];
    return double(sum) / ((x1 - x0) * (y1 - y0)) > kFlashLevel;
}

bool showsFlash(const AVFrame* frame) {
    bool flash = false;
    withLuma(frame, [&](const uint8_t* luma, int linesize) {
        flash = showsFlash(luma, linesize, frame->width, frame->height);
    });
    return flash;
}

bool showsFlash(const QImage& image, QRect pictureArea) {
    const QImage picture = pictureInside(image, pictureArea);
    // Studio-range white (235) is full white once converted to RGB; the detail stays far below.
    return !picture.isNull() &&
           showsFlash(picture.constBits(), int(picture.bytesPerLine()), picture.width(), picture.height());
}

} // namespace samples
