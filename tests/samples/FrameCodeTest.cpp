// The frame code survives what a renderer does to a picture (scaling, letter-boxing, RGB conversion)
// and is never misread: pictures without a valid code give -1.
#include "samples/SampleClips.h"

#include "AvPtr.h"

#include <QPainter>
#include <gtest/gtest.h>

namespace samples {
namespace {

using namespace engine::ff;

AVFramePtr codedFrame(int width, int height, AVPixelFormat format, int64_t n,
                      FrameCodeStyle::Background background = FrameCodeStyle::Background::Flat) {
    AVFramePtr f = makeFrame();
    f->format = format;
    f->width = width;
    f->height = height;
    EXPECT_EQ(av_frame_get_buffer(f.get(), 0), 0);
    FrameCodeStyle style;
    style.background = background;
    drawFrameCode(f.get(), n, style);
    return f;
}

QImage toImage(const AVFrame& f) {
    QImage image(f.width, f.height, QImage::Format_RGB32);
    SwsPtr sws(sws_getContext(f.width, f.height, AVPixelFormat(f.format), f.width, f.height, AV_PIX_FMT_BGRA,
                              SWS_BILINEAR, nullptr, nullptr, nullptr));
    uint8_t* dst[4] = {image.bits(), nullptr, nullptr, nullptr};
    int stride[4] = {int(image.bytesPerLine()), 0, 0, 0};
    sws_scale(sws.get(), f.data, f.linesize, 0, f.height, dst, stride);
    return image;
}

// The picture scaled into target, inside a black canvas with something drawn outside pictureArea.
QImage present(const QImage& picture, QSize canvas, QRect target) {
    QImage out(canvas, QImage::Format_RGB32);
    out.fill(Qt::black);
    QPainter p(&out);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.fillRect(0, 0, canvas.width(), 8, Qt::white); // a control strip above the preview panel
    p.drawImage(target, picture);
    return out;
}

TEST(FrameCode, ReadsBackFromEveryPictureFormatAndNumber) {
    for (AVPixelFormat format : {AV_PIX_FMT_YUV420P, AV_PIX_FMT_YUV422P})
        for (int64_t n : {0LL, 1LL, 29LL, 0xABCDELL, (1LL << 24) - 1}) {
            SCOPED_TRACE(n);
            const AVFramePtr f = codedFrame(320, 180, format, n);
            EXPECT_EQ(readFrameCode(f->data[0], f->linesize[0], f->width, f->height), n);
            EXPECT_EQ(readFrameCode(f.get()), n);
        }
}

TEST(FrameCode, ReadsFromScaledAndLetterBoxedPictures) {
    const int64_t n = 1234;
    const QImage hd = toImage(*codedFrame(1920, 1080, AV_PIX_FMT_YUV420P, n));
    struct Case {
        const char* what;
        QImage image;
        QRect area;
    };
    const Case cases[] = {
        {"as decoded", hd, {}},
        {"scaled down", hd.scaled(400, 225, Qt::IgnoreAspectRatio, Qt::SmoothTransformation), {}},
        {"letter-boxed in a 4:3 panel", present(hd, {640, 488}, {0, 128, 640, 360}), {0, 8, 640, 480}},
        {"pillar-boxed and small", present(hd, {300, 208}, {20, 8, 260, 146}), {0, 8, 300, 200}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(readFrameCode(c.image, c.area), n);
    }
}

TEST(FrameCode, FlashShowsThroughScalingAndLetterBoxingAndNothingElseLooksLikeIt) {
    for (QSize size : {QSize(1920, 1080), QSize(320, 180), QSize(360, 288)}) {
        SCOPED_TRACE(size.width());
        const AVFramePtr flash = codedFrame(size.width(), size.height(), AV_PIX_FMT_YUV422P, 25,
                                            FrameCodeStyle::Background::White);
        const AVFramePtr plain = codedFrame(size.width(), size.height(), AV_PIX_FMT_YUV422P, 25);
        EXPECT_EQ(readFrameCode(flash.get()), 25);
        EXPECT_TRUE(showsFlash(flash.get()));
        EXPECT_FALSE(showsFlash(plain.get()));
        const QImage shown = present(toImage(*flash), {640, 488}, {0, 128, 640, 360});
        EXPECT_TRUE(showsFlash(shown, {0, 8, 640, 480}));
        EXPECT_FALSE(showsFlash(present(toImage(*plain), {640, 488}, {0, 128, 640, 360}), {0, 8, 640, 480}));
    }
    QImage black(320, 180, QImage::Format_RGB32);
    black.fill(Qt::black);
    EXPECT_FALSE(showsFlash(black));
    EXPECT_FALSE(showsFlash(QImage()));
}

TEST(FrameCode, PicturesWithoutAValidCodeGiveMinusOne) {
    const AVFramePtr f = codedFrame(320, 180, AV_PIX_FMT_YUV420P, 0x5A5A5);
    const int cell = 320 / 32;
    AVFramePtr flipped = codedFrame(320, 180, AV_PIX_FMT_YUV420P, 0x5A5A5);
    for (int y = 0; y < 180 / 8; ++y) // one data cell turned over: the check must catch it
        for (int x = 5 * cell; x < 6 * cell; ++x) {
            uint8_t& v = flipped->data[0][y * flipped->linesize[0] + x];
            v = v > 128 ? 16 : 235;
        }
    QImage black(320, 180, QImage::Format_RGB32);
    black.fill(Qt::black);
    QImage grey = black;
    grey.fill(QColor(128, 128, 128));

    EXPECT_EQ(readFrameCode(flipped->data[0], flipped->linesize[0], 320, 180), -1);
    EXPECT_EQ(readFrameCode(f->data[0], f->linesize[0], 320, 4), -1) << "too small";
    EXPECT_EQ(readFrameCode(nullptr, 0, 320, 180), -1);
    EXPECT_EQ(readFrameCode(black), -1);
    EXPECT_EQ(readFrameCode(grey), -1);
    EXPECT_EQ(readFrameCode(QImage()), -1);
    EXPECT_EQ(readFrameCode(toImage(*f), QRect(400, 400, 10, 10)), -1) << "area outside the image";
}

} // namespace
} // namespace samples
