#include "io/MxfPacketTimes.h"

#include <algorithm>
#include <cmath>

#include "io/KeyPicture.h"

extern "C" {
#include <libavformat/avformat.h>
}

namespace engine::ff {

MxfPacketTimes::MxfPacketTimes(const AVFormatContext& fmt)
    : fmt_(fmt), soundPackets_(fmt.nb_streams, 0) {
    video_ = av_find_best_stream(const_cast<AVFormatContext*>(&fmt), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (video_ >= 0) {
        const AVStream* st = fmt.streams[video_];
        editRate_ = st->avg_frame_rate.num > 0 ? st->avg_frame_rate : av_inv_q(st->time_base);
    }
}

void MxfPacketTimes::restartAt(double packageSeconds) {
    if (editRate_.num <= 0)
        return;
    restartUnit_ = std::llround(packageSeconds * editRate_.num / editRate_.den);
    unit_ = groupStart_ = restartUnit_;
    std::fill(soundPackets_.begin(), soundPackets_.end(), 0);
}

void MxfPacketTimes::stamp(AVPacket& pkt) {
    if (pkt.stream_index < 0 || unsigned(pkt.stream_index) >= fmt_.nb_streams || editRate_.num <= 0)
        return;
    const AVStream* st = fmt_.streams[pkt.stream_index];
    if (pkt.stream_index == video_) {
        stampPicture(pkt);
    } else if (st->codecpar->codec_type == AVMEDIA_TYPE_AUDIO) {
        // Frame-wrapped: one sound element per stream and content package. Counted here, as FFmpeg's own
        // count goes on across a byte seek and counts only what it read of a packet cut at the end of
        // the file.
        const int64_t unit = restartUnit_ + soundPackets_[size_t(pkt.stream_index)]++;
        pkt.pts = pkt.dts = av_rescale_q(unit, av_inv_q(editRate_), st->time_base);
    }
}

void MxfPacketTimes::stampPicture(AVPacket& pkt) {
    const AVStream* st = fmt_.streams[video_];
    const AVCodecID codec = st->codecpar->codec_id;
    const auto inStream = [&](int64_t unit) { return av_rescale_q(unit, av_inv_q(editRate_), st->time_base); };
    const int64_t unit = unit_++;
    if (codec == AV_CODEC_ID_MPEG2VIDEO || codec == AV_CODEC_ID_MPEG1VIDEO) {
        const auto picture = mpeg2PictureAt(pkt.data, std::min(pkt.size, kKeyPictureProbeBytes));
        if (picture && picture->opensGroup)
            groupStart_ = unit;
        // Coded order runs one picture ahead of display order where B pictures are.
        pkt.dts = inStream(unit - 1);
        pkt.pts = picture ? inStream(groupStart_ + picture->temporalReference) : AV_NOPTS_VALUE;
    } else if (!predictsPictures(codec)) {
        pkt.dts = pkt.pts = inStream(unit); // every picture coded alone: display order is coded order
    } else {
        pkt.dts = inStream(unit - 1);
        pkt.pts = AV_NOPTS_VALUE; // the decoder orders them
    }
}

} // namespace engine::ff
