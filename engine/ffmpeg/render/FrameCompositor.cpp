#include "render/FrameCompositor.h"

#include <QRect>
#include <cmath>

#include <algorithm>
#include <thread>

#include "core/CodecThreads.h"

extern "C" {
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
}

namespace engine::ff {
namespace {
// swscale's matrix for a picture: its own tag, or BT.709 for untagged HD (swscale would assume BT.601).
int colourMatrix(const AVFrame& f) {
    switch (f.colorspace) {
    case AVCOL_SPC_BT709:
        return SWS_CS_ITU709;
    case AVCOL_SPC_BT470BG:
    case AVCOL_SPC_SMPTE170M:
        return SWS_CS_ITU601;
    case AVCOL_SPC_SMPTE240M:
        return SWS_CS_SMPTE240M;
    case AVCOL_SPC_BT2020_NCL:
    case AVCOL_SPC_BT2020_CL:
        return SWS_CS_BT2020;
    case AVCOL_SPC_FCC:
        return SWS_CS_FCC;
    default:
        return f.height >= 720 ? SWS_CS_ITU709 : SWS_CS_ITU601;
    }
}

bool fullRangeInput(const AVFrame& f) {
    const auto fmt = AVPixelFormat(f.format);
    return f.color_range == AVCOL_RANGE_JPEG || fmt == AV_PIX_FMT_YUVJ420P || fmt == AV_PIX_FMT_YUVJ422P ||
           fmt == AV_PIX_FMT_YUVJ444P;
}
} // namespace

SwsContext* FrameCompositor::scaler(int width, int height, AVPixelFormat format, QSize to) {
    const Conversion c{width, height, format, to};
    if (sws_ && c == conversion_)
        return sws_.get();
    sws_.reset(sws_alloc_context());
    if (!sws_)
        return nullptr;
    av_opt_set_int(sws_.get(), "srcw", width, 0);
    av_opt_set_int(sws_.get(), "srch", height, 0);
    av_opt_set_int(sws_.get(), "src_format", format, 0);
    av_opt_set_int(sws_.get(), "dstw", to.width(), 0);
    av_opt_set_int(sws_.get(), "dsth", to.height(), 0);
    av_opt_set_int(sws_.get(), "dst_format", AV_PIX_FMT_BGRA, 0);
    av_opt_set_int(sws_.get(), "sws_flags", SWS_BILINEAR, 0);
    // A seek's picture is drawn while its decoder waits, so the drawing takes every core (one thread per
    // core: swscale's own choice, one more, measured slower on two).
    av_opt_set_int(sws_.get(), "threads", codecThreads(int(std::clamp(std::thread::hardware_concurrency(), 1u, 4u))), 0);
    if (sws_init_context(sws_.get(), nullptr, nullptr) < 0) {
        sws_.reset();
        return nullptr;
    }
    conversion_ = c;
    return sws_.get();
}

QImage FrameCompositor::black(QSize surface) {
    QImage img(surface, QImage::Format_RGB32);
    img.fill(Qt::black);
    return img;
}

QRect FrameCompositor::fitRect(double dar, QSize surface) {
    const int w = surface.width(), h = surface.height();
    if (!(dar > 0) || w <= 0 || h <= 0)
        return QRect(QPoint(0, 0), surface);
    if (double(w) / h > dar) {
        const int fw = std::max(1, int(std::lround(h * dar)));
        return QRect((w - fw) / 2, 0, fw, h);
    }
    const int fh = std::max(1, int(std::lround(w / dar)));
    return QRect(0, (h - fh) / 2, w, fh);
}

QImage FrameCompositor::compose(const AVFrame& f, AVRational sar, QSize surface, bool letterBox,
                                Fields fields, bool topFieldFirst, QRect& area) {
    QImage img = black(surface);
    area = QRect(QPoint(0, 0), surface);
    if (surface.isEmpty() || f.width <= 0 || f.height <= 0)
        return img;
    const double dar = double(f.width) * sar.num / (double(f.height) * sar.den);
    const QRect r = letterBox ? fitRect(dar, surface) : QRect(QPoint(0, 0), surface);
    area = r;
    // One field: every other line of each plane, read from the first line of that field.
    const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(AVPixelFormat(f.format));
    const bool oneField =
        fields != Fields::Both && desc && !(desc->flags & AV_PIX_FMT_FLAG_PAL) && f.height >= 4;
    const bool bottom = oneField && fields == Fields::First && !topFieldFirst;
    const uint8_t* src[4] = {f.data[0], f.data[1], f.data[2], f.data[3]};
    int srcStride[4] = {f.linesize[0], f.linesize[1], f.linesize[2], f.linesize[3]};
    const int srcHeight = oneField ? f.height / 2 : f.height;
    if (oneField)
        for (int i = 0; i < 4 && src[i]; ++i) {
            if (bottom)
                src[i] += srcStride[i];
            srcStride[i] *= 2;
        }
    SwsContext* sws = scaler(f.width, srcHeight, AVPixelFormat(f.format), r.size());
    if (!sws)
        return img;
    const int* coeffs = sws_getCoefficients(colourMatrix(f));
    sws_setColorspaceDetails(sws, coeffs, fullRangeInput(f) ? 1 : 0, sws_getCoefficients(SWS_CS_DEFAULT), 1, 0,
                             1 << 16, 1 << 16);
    // Only the frame interface scales on the scaler's threads; it wants counted buffers, so the picture is
    // referenced (its planes narrowed to one field) and the image lent as a buffer.
    AVFramePtr in = makeFrame(), out = makeFrame();
    if (!in || !out || av_frame_ref(in.get(), &f) < 0)
        return img;
    for (int i = 0; i < 4; ++i) {
        in->data[i] = const_cast<uint8_t*>(src[i]);
        in->linesize[i] = srcStride[i];
    }
    in->height = srcHeight;
    uint8_t* dst = img.bits() + r.y() * img.bytesPerLine() + r.x() * 4;
    out->buf[0] = av_buffer_create(dst, int(img.sizeInBytes()), [](void*, uint8_t*) {}, nullptr, 0);
    if (!out->buf[0])
        return img;
    out->data[0] = dst;
    out->linesize[0] = int(img.bytesPerLine());
    out->width = r.width();
    out->height = r.height();
    out->format = AV_PIX_FMT_BGRA;
    sws_scale_frame(sws, out.get(), in.get());
    return img;
}

} // namespace engine::ff
