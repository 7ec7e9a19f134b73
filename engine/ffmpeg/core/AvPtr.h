#pragma once
// Owning wrappers for FFmpeg objects: every FFmpeg resource in the engine lives in one of these.
#include <memory>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavfilter/avfilter.h>
#include <libavformat/avformat.h>
#include <libavutil/frame.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

namespace engine::ff {

struct AvFrameFree {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct AvPacketFree {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct AvCodecContextFree {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct AvCodecParametersFree {
    void operator()(AVCodecParameters* p) const { avcodec_parameters_free(&p); }
};
struct AvInputClose {
    void operator()(AVFormatContext* f) const { avformat_close_input(&f); }
};
struct AvOutputFree {
    // The output's I/O is closed by its owner before this runs.
    void operator()(AVFormatContext* f) const { avformat_free_context(f); }
};
struct SwsFree {
    void operator()(SwsContext* s) const { sws_freeContext(s); }
};
struct SwrFree {
    void operator()(SwrContext* s) const { swr_free(&s); }
};
struct AvFilterGraphFree {
    void operator()(AVFilterGraph* g) const { avfilter_graph_free(&g); }
};

using AVFramePtr = std::unique_ptr<AVFrame, AvFrameFree>;
using AVPacketPtr = std::unique_ptr<AVPacket, AvPacketFree>;
using AVCodecContextPtr = std::unique_ptr<AVCodecContext, AvCodecContextFree>;
using AVCodecParametersPtr = std::unique_ptr<AVCodecParameters, AvCodecParametersFree>;
using AVInputPtr = std::unique_ptr<AVFormatContext, AvInputClose>;
using AVOutputPtr = std::unique_ptr<AVFormatContext, AvOutputFree>;
using SwsPtr = std::unique_ptr<SwsContext, SwsFree>;
using SwrPtr = std::unique_ptr<SwrContext, SwrFree>;
using AVFilterGraphPtr = std::unique_ptr<AVFilterGraph, AvFilterGraphFree>;

inline AVFramePtr makeFrame() { return AVFramePtr(av_frame_alloc()); }
inline AVPacketPtr makePacket() { return AVPacketPtr(av_packet_alloc()); }

}  // namespace engine::ff
