// Pictures left out of decoding where non-reference pictures are not decoded (a seek's pictures before its
// target): whatever is left out, every other picture must come out exactly as from the whole stream.
#include <gtest/gtest.h>

#include <map>

#include "EngineHarness.h"
#include "core/AvPtr.h"
#include "core/H264Units.h"
#include "source/MediaFile.h"

using namespace engine::ff;
using namespace enginetest;

namespace {
enum class Decode { Whole, ReferencesOnly, LeavingOutDisposable };

// Each picture the decoder puts out, by timestamp, as a checksum of its planes; `dropped` counts the
// packets left out.
std::map<int64_t, uint32_t> decodeAll(const QString& path, Decode how, int& dropped) {
    std::map<int64_t, uint32_t> pictures;
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, path.toUtf8().constData(), nullptr, nullptr) < 0)
        return pictures;
    AVInputPtr fmt(raw);
    avformat_find_stream_info(fmt.get(), nullptr);
    const int video = av_find_best_stream(fmt.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    const AVCodecParameters& par = *fmt->streams[video]->codecpar;
    const int nalLength = avccLengthSize(par.extradata, par.extradata_size);
    AVCodecContextPtr dec = openDecoder(*fmt->streams[video], 1);
    if (how != Decode::Whole)
        dec->skip_frame = AVDISCARD_NONREF;
    AVPacketPtr pkt = makePacket();
    AVFramePtr frame = makeFrame();
    auto receive = [&] {
        while (avcodec_receive_frame(dec.get(), frame.get()) == 0) {
            uint32_t sum = 0;
            for (int plane = 0; plane < 3; ++plane) {
                const int h = plane ? (frame->height + 1) / 2 : frame->height;
                const int w = plane ? (frame->width + 1) / 2 : frame->width;
                for (int y = 0; y < h; ++y)
                    for (int x = 0; x < w; ++x)
                        sum = sum * 31 + frame->data[plane][y * frame->linesize[plane] + x];
            }
            pictures[frame->best_effort_timestamp] = sum;
            av_frame_unref(frame.get());
        }
    };
    dropped = 0;
    while (av_read_frame(fmt.get(), pkt.get()) >= 0) {
        if (pkt->stream_index == video) {
            if (how == Decode::LeavingOutDisposable && isDisposablePicture(pkt->data, pkt->size, nalLength))
                ++dropped;
            else
                avcodec_send_packet(dec.get(), pkt.get());
            receive();
        }
        av_packet_unref(pkt.get());
    }
    avcodec_send_packet(dec.get(), nullptr);
    receive();
    return pictures;
}
} // namespace

TEST(DisposablePictures, LeavingThemOutChangesNoOtherPicture) {
    // Length-prefixed (MP4) and start codes (TS); a B-pyramid, whose middle B pictures are references.
    for (const char* name : {"pyramid.mp4", "pyramid.ts"}) {
        const QString path = clip(name, [](samples::ClipRecipe& s) {
            s.frames = 48;
            s.gopLength = 24;
            s.bFrames = 3;
            s.bPyramid = true;
        });
        int none = 0, dropped = 0;
        const auto whole = decodeAll(path, Decode::Whole, none);
        const auto references = decodeAll(path, Decode::ReferencesOnly, none);
        const auto without = decodeAll(path, Decode::LeavingOutDisposable, dropped);
        ASSERT_EQ(whole.size(), 48u) << name;
        // Exactly the pictures no other refers to are left out (two of each run of three B pictures), and
        // each reference picture comes out as from the whole stream.
        EXPECT_EQ(size_t(dropped), whole.size() - references.size()) << name;
        EXPECT_GE(dropped, 20) << name;
        ASSERT_EQ(without.size(), references.size()) << name;
        for (const auto& [pts, sum] : without)
            EXPECT_EQ(sum, whole.at(pts)) << name << " picture at " << pts;
    }
}
