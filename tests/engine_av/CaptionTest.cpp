// Captions: 608 from A53 data (fed directly and through a real MPEG-2 encode/decode), text subtitle
// streams, drawing, and the plug-in object.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <cstring>

#include "Cea608Fixture.h"
#include "captions/CaptionDecoder.h"
#include "captions/CaptionPainter.h"
#include "captions/SubtitleTrack.h"
#include "engine_ffmpeg/FfmpegEngine.h"

using namespace engine::ff;

namespace {

constexpr double kFrame = 1.0 / 30;

QString bottomRow(const CaptionScreen& screen) {
    return screen.rows.empty() ? QString() : screen.rows.back();
}

// Encodes pictures carrying the given cc_data as A53 side data with mpeg2video, decodes them again
// and returns the decoded pictures in display order.
std::vector<AVFramePtr> mpeg2RoundTrip(const std::vector<avtest::CcTriplet>& perFrame) {
    const AVCodec* encoder = avcodec_find_encoder(AV_CODEC_ID_MPEG2VIDEO);
    const AVCodec* decoder = avcodec_find_decoder(AV_CODEC_ID_MPEG2VIDEO);
    AVCodecContextPtr enc(avcodec_alloc_context3(encoder));
    enc->width = 64;
    enc->height = 48;
    enc->pix_fmt = AV_PIX_FMT_YUV420P;
    enc->time_base = {1001, 30000};
    enc->framerate = {30000, 1001};
    enc->gop_size = 12;
    enc->max_b_frames = 2;
    EXPECT_EQ(avcodec_open2(enc.get(), encoder, nullptr), 0);
    AVCodecContextPtr dec(avcodec_alloc_context3(decoder));
    EXPECT_EQ(avcodec_open2(dec.get(), decoder, nullptr), 0);

    std::vector<AVFramePtr> decoded;
    AVPacketPtr packet = makePacket();
    auto drainInto = [&](AVCodecContext* from, AVCodecContext* to) {
        while (avcodec_receive_packet(from, packet.get()) == 0) {
            EXPECT_EQ(avcodec_send_packet(to, packet.get()), 0);
            av_packet_unref(packet.get());
            for (AVFramePtr out = makeFrame(); avcodec_receive_frame(to, out.get()) == 0; out = makeFrame())
                decoded.push_back(std::move(out));
        }
    };
    for (size_t i = 0; i < perFrame.size(); ++i) {
        AVFramePtr frame = makeFrame();
        frame->format = AV_PIX_FMT_YUV420P;
        frame->width = 64;
        frame->height = 48;
        EXPECT_EQ(av_frame_get_buffer(frame.get(), 0), 0);
        for (int p = 0; p < 3; ++p)
            std::memset(frame->data[p], 128, size_t(frame->linesize[p]) * size_t(p ? 24 : 48));
        frame->pts = int64_t(i);
        AVFrameSideData* side = av_frame_new_side_data(frame.get(), AV_FRAME_DATA_A53_CC, 3);
        std::memcpy(side->data, perFrame[i].data(), 3);
        EXPECT_EQ(avcodec_send_frame(enc.get(), frame.get()), 0);
        drainInto(enc.get(), dec.get());
    }
    avcodec_send_frame(enc.get(), nullptr);
    drainInto(enc.get(), dec.get());
    avcodec_send_packet(dec.get(), nullptr);
    for (AVFramePtr out = makeFrame(); avcodec_receive_frame(dec.get(), out.get()) == 0; out = makeFrame())
        decoded.push_back(std::move(out));
    return decoded;
}

} // namespace

TEST(CaptionDecoder, PopOnCaptionShowsFromEndOfCaptionUntilErased) {
    CaptionDecoder decoder;
    ASSERT_TRUE(decoder.ok());
    std::vector<avtest::CcTriplet> stream = avtest::popOnCaption("HELLO WORLD");
    const double shownAt = double(stream.size() - 1) * kFrame; // the second end-of-caption pair
    for (int i = 0; i < 20; ++i)
        stream.push_back(avtest::padding());
    const double erasedAt = double(stream.size()) * kFrame;
    for (const auto& erase : avtest::eraseDisplayed())
        stream.push_back(erase);
    for (int i = 0; i < 5; ++i)
        stream.push_back(avtest::padding());

    for (size_t i = 0; i < stream.size(); ++i) {
        const double t = double(i) * kFrame;
        decoder.feed(stream[i].data(), stream[i].size(), t);
        const auto screen = decoder.screenAt(t);
        ASSERT_NE(screen, nullptr);
        if (t < shownAt - kFrame - 1e-9 || t >= erasedAt + kFrame - 1e-9) {
            EXPECT_TRUE(screen->empty()) << "at " << t;
        } else if (t >= shownAt - 1e-9 && t < erasedAt - 1e-9) {
            ASSERT_EQ(screen->rows.size(), 15u);
            EXPECT_EQ(bottomRow(*screen).trimmed(), QStringLiteral("HELLO WORLD")) << "at " << t;
            EXPECT_TRUE(screen->rows[0].isEmpty());
        }
    }

    decoder.feed(avtest::popOnCaption("AGAIN").front().data(), 3, 10.0);
    decoder.reset();
    EXPECT_TRUE(decoder.screenAt(10.0)->empty()) << "a seek forgets the screens";
}

TEST(CaptionDecoder, ShowsOnlyTheFirstServiceOfTheFirstField) {
    CaptionDecoder decoder;
    double t = 0;
    auto send = [&](const std::vector<avtest::CcTriplet>& pairs) {
        for (const auto& p : pairs) {
            decoder.feed(p.data(), p.size(), t);
            const QString row = bottomRow(*decoder.screenAt(t));
            EXPECT_FALSE(row.contains(QLatin1String("TWO")) || row.contains(QLatin1String("THREE")))
                << qPrintable(row);
            t += kFrame;
        }
    };
    send(avtest::popOnCaption("CHANNEL TWO", 2, 1));
    send(avtest::popOnCaption("FIELD TWO", 1, 2));
    send(avtest::popOnCaption("CHANNEL ONE", 1, 1));
    EXPECT_EQ(bottomRow(*decoder.screenAt(t)).trimmed(), QStringLiteral("CHANNEL ONE"));
    // Text after a channel-2 code belongs to channel 2, even inside one packet with CC1 pairs.
    std::vector<uint8_t> mixed;
    for (const auto& p : avtest::popOnCaption("THREE", 2, 1))
        mixed.insert(mixed.end(), p.begin(), p.end());
    decoder.feed(mixed.data(), mixed.size(), t);
    EXPECT_EQ(bottomRow(*decoder.screenAt(t)).trimmed(), QStringLiteral("CHANNEL ONE"));
}

TEST(CaptionDecoder, ReadsCaptionsCarriedInAnEncodedVideoStream) {
    std::vector<avtest::CcTriplet> perFrame(3, avtest::padding());
    for (const auto& pair : avtest::popOnCaption("NEWS AT TEN"))
        perFrame.push_back(pair);
    while (perFrame.size() < 40)
        perFrame.push_back(avtest::padding());

    const auto pictures = mpeg2RoundTrip(perFrame);
    ASSERT_EQ(pictures.size(), perFrame.size());
    CaptionDecoder decoder;
    QString seen;
    for (const auto& picture : pictures) {
        const double t = double(picture->pts) * kFrame;
        decoder.feedFrame(*picture, t);
        const QString row = bottomRow(*decoder.screenAt(t)).trimmed();
        if (!row.isEmpty())
            seen = row;
    }
    EXPECT_EQ(seen, QStringLiteral("NEWS AT TEN"));
}

TEST(SubtitleTrack, TextSubtitleShowsForItsDurationOnTheBottomRows) {
    AVCodecParameters* par = avcodec_parameters_alloc();
    par->codec_type = AVMEDIA_TYPE_SUBTITLE;
    par->codec_id = AV_CODEC_ID_SUBRIP;
    SubtitleTrack track;
    ASSERT_TRUE(track.open(*par, AVRational{1, 1000}));

    AVPacketPtr packet = makePacket();
    const char text[] = "Good <i>evening</i>\nfrom the newsroom";
    ASSERT_EQ(av_new_packet(packet.get(), int(sizeof text - 1)), 0);
    std::memcpy(packet->data, text, sizeof text - 1);
    packet->pts = 2000;
    packet->duration = 1500;
    track.feed(*packet, 2.0);

    EXPECT_TRUE(track.screenAt(1.9)->empty());
    const auto shown = track.screenAt(2.5);
    ASSERT_EQ(shown->rows.size(), 15u);
    EXPECT_EQ(shown->rows[13], QStringLiteral("Good evening"));
    EXPECT_EQ(shown->rows[14], QStringLiteral("from the newsroom"));
    EXPECT_TRUE(track.screenAt(3.6)->empty()) << "gone after its duration";

    par->codec_id = AV_CODEC_ID_DVD_SUBTITLE;
    EXPECT_FALSE(SubtitleTrack::isTextSubtitle(*par));
    EXPECT_FALSE(track.open(*par, AVRational{1, 1000})) << "bitmap subtitles are not drawn";
    avcodec_parameters_free(&par);
}

TEST(CaptionPainter, DrawsWhiteTextOnBlackBoxesInTheLowerThirdOnly) {
    QImage picture(640, 360, QImage::Format_RGB32);
    picture.fill(QColor(0, 0, 200));
    const QImage untouched = picture;

    CaptionScreen screen;
    screen.rows.assign(15, QString());
    {
        QPainter painter(&picture);
        drawCaptions(painter, picture.rect(), screen);
    }
    EXPECT_EQ(picture, untouched) << "an empty screen draws nothing";

    screen.rows[14] = QStringLiteral("CAPTION TEXT");
    {
        QPainter painter(&picture);
        drawCaptions(painter, picture.rect(), screen);
    }
    int black = 0, white = 0, changedAbove = 0;
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            const QColor c = picture.pixelColor(x, y);
            if (c == untouched.pixelColor(x, y))
                continue;
            if (y < picture.height() * 2 / 3)
                ++changedAbove;
            if (c.lightness() < 30)
                ++black;
            if (c.lightness() > 225)
                ++white;
        }
    }
    EXPECT_EQ(changedAbove, 0);
    EXPECT_GT(black, 1000);
    EXPECT_GT(white, 100);

    // Scaled with the picture: twice the size, about four times the box.
    QImage big(1280, 720, QImage::Format_RGB32);
    big.fill(QColor(0, 0, 200));
    {
        QPainter painter(&big);
        drawCaptions(painter, big.rect(), screen);
    }
    int bigBlack = 0;
    for (int y = 0; y < big.height(); ++y)
        for (int x = 0; x < big.width(); ++x)
            bigBlack += big.pixelColor(x, y).lightness() < 30;
    EXPECT_NEAR(double(bigBlack) / black, 4.0, 1.0);
}

TEST(CaptionPlugin, IsMadeByItsClassAndOffersOnlyItsOwnView) {
    auto factory = makeFfmpegEngine();
    engine::MRef<engine::IMCaptionPlugin> plugin =
        engine::create<engine::IMCaptionPlugin>(*factory, engine::CLSID_CaptionPlugin);
    ASSERT_TRUE(plugin);
    EXPECT_THROW(engine::query<engine::IMFile>(plugin), engine::EngineError);
    auto again = engine::query<engine::IMCaptionPlugin>(plugin);
    EXPECT_EQ(again.get(), plugin.get());
}
