// Encodes the live mode's segment with the clip writer and reads its packets back for stream copy.
#include "LiveSegment.h"

#include "AvError.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <numeric>
#include <stdexcept>

namespace samples::live {
namespace {

using namespace engine::ff;

constexpr double kBeatSeconds = 10;

[[noreturn]] void fail(const QString& what) {
    throw std::runtime_error(what.toStdString());
}

struct SegmentRecipe {
    ClipRecipe clip;
    int audioPacketSamples = 0; // samples in each packet of a fixed-size audio codec, else 0
    QString extension;
};

SegmentRecipe recipeFor(LiveFormat format, InputSize size) {
    switch (format) {
    case LiveFormat::Mxf: {
        // Closed GOPs: any GOP can start a file, and the last one needs nothing from the first.
        return {referenceInput("xdcam_closed", 1, size), 0, "mxf"};
    }
    case LiveFormat::Ts: {
        // GOPs of a second, as broadcast streams have, so a file can start every second.
        ClipRecipe clip = referenceInput("h264i", 1, size);
        clip.gopLength = 25;
        clip.startSeconds = 0; // the writer sets the stream's times
        return {clip, 1152, "ts"};
    }
    case LiveFormat::Mp4: {
        // Each track of a fragmented file starts at its own first packet, with no edit list: a file must
        // start on a picture and an audio packet at once. At 25 fps a GOP of 16 frames (one fragment,
        // 0.64 s) holds 30 AAC packets exactly. And no B pictures, as low-latency ingest codes it: their
        // decoding delay would start the picture later than its sound.
        ClipRecipe clip = referenceInput("h264", 1, size);
        clip.rateNum = 25;
        clip.rateDen = 1;
        clip.gopLength = 16;
        clip.bFrames = 0;
        clip.bPyramid = false;
        clip.x264Preset = "veryfast";
        return {clip, 1024, "mp4"};
    }
    }
    throw std::invalid_argument("unknown live format");
}

// The shortest length from `seconds` on that is whole GOPs and whole audio packets, and from
// kBeatSeconds on also whole timecode seconds, so the flash keeps its beat across repetitions.
int64_t segmentFrames(const SegmentRecipe& r, double seconds) {
    const ClipRecipe& c = r.clip;
    const auto wanted = int64_t(std::ceil(seconds * c.framesPerSecond()));
    const int64_t step =
        seconds >= kBeatSeconds ? std::lcm<int64_t>(c.gopLength, c.timecodeRate()) : c.gopLength;
    for (int64_t frames = step; frames <= wanted + 100 * step; frames += step) {
        const int64_t samples = firstSampleOfFrame(frames, c.sampleRate, c.rateNum, c.rateDen);
        if (frames >= wanted && (r.audioPacketSamples == 0 || samples % r.audioPacketSamples == 0))
            return frames;
    }
    fail("no segment length fits the frame rate and the audio packets");
}

AVInputPtr openInput(const QString& path) {
    AVFormatContext* raw = nullptr;
    int err = avformat_open_input(&raw, QFile::encodeName(path).constData(), nullptr, nullptr);
    if (err < 0)
        fail("cannot read the segment back: " + avErrorText(err));
    AVInputPtr in(raw);
    if ((err = avformat_find_stream_info(raw, nullptr)) < 0)
        fail("cannot read the segment back: " + avErrorText(err));
    if (raw->nb_streams < 1 || raw->streams[0]->codecpar->codec_type != AVMEDIA_TYPE_VIDEO)
        fail("the segment's first stream is not its video");
    return in;
}

std::vector<AVPacketPtr> readPackets(AVFormatContext* in) {
    std::vector<AVPacketPtr> packets;
    for (;;) {
        AVPacketPtr pkt = makePacket();
        if (!pkt)
            fail("out of memory");
        const int err = av_read_frame(in, pkt.get());
        if (err == AVERROR_EOF)
            return packets;
        if (err < 0)
            fail("cannot read the segment back: " + avErrorText(err));
        if (pkt->pts == AV_NOPTS_VALUE || pkt->dts == AV_NOPTS_VALUE)
            fail("a packet of the segment has no timestamp");
        packets.push_back(std::move(pkt));
    }
}

class SegmentReader {
  public:
    SegmentReader(Segment& segment, AVFormatContext* in) : segment_(segment), in_(in) {}

    void read() {
        takeStreams();
        std::vector<AVPacketPtr> packets = readPackets(in_);
        findGops(packets);
        for (AVPacketPtr& pkt : packets) {
            const SegmentStream& s = segment_.streams[pkt->stream_index];
            const int64_t origin = av_rescale_q(videoOrigin_, segment_.video().timeBase, s.timeBase);
            pkt->pts -= origin;
            pkt->dts -= origin;
            // Audio outside the segment's time (an encoder's priming packet, the flushed tail) would
            // overlap the next repetition.
            if (pkt->stream_index != 0 && (pkt->pts < 0 || pkt->pts >= s.length))
                continue;
            segment_.gops[gopOf(*pkt)].push_back(std::move(pkt));
        }
    }

  private:
    void takeStreams() {
        for (unsigned i = 0; i < in_->nb_streams; ++i) {
            const AVStream* st = in_->streams[i];
            CodecParametersPtr par(avcodec_parameters_alloc());
            if (!par || avcodec_parameters_copy(par.get(), st->codecpar) < 0)
                fail("out of memory");
            const int64_t length = av_rescale_q(segment_.frames, av_inv_q(segment_.frameRate), st->time_base);
            segment_.streams.push_back({std::move(par), st->time_base, length});
        }
    }

    void findGops(const std::vector<AVPacketPtr>& packets) {
        int64_t pictures = 0;
        videoOrigin_ = INT64_MAX;
        for (const AVPacketPtr& pkt : packets) {
            if (pkt->stream_index != 0)
                continue;
            ++pictures;
            videoOrigin_ = std::min(videoOrigin_, pkt->pts);
            if (pkt->flags & AV_PKT_FLAG_KEY)
                segment_.gopStarts.push_back(pkt->pts);
        }
        if (pictures != segment_.frames || segment_.gopStarts.empty() ||
            segment_.gopStarts[0] != videoOrigin_)
            fail(QString("the segment reads back as %1 pictures, not %2 starting with a key picture")
                     .arg(pictures)
                     .arg(segment_.frames));
        for (int64_t& start : segment_.gopStarts)
            start -= videoOrigin_;
        segment_.gops.resize(segment_.gopStarts.size());
    }

    // Video goes with the last key picture before it in decoding order, audio with the GOP shown at its
    // time.
    size_t gopOf(const AVPacket& pkt) {
        if (pkt.stream_index == 0) {
            if (pkt.flags & AV_PKT_FLAG_KEY)
                ++videoGop_;
            return size_t(videoGop_);
        }
        const int64_t at = av_rescale_q_rnd(pkt.pts, segment_.streams[pkt.stream_index].timeBase,
                                            segment_.video().timeBase, AV_ROUND_DOWN);
        const auto next = std::upper_bound(segment_.gopStarts.begin(), segment_.gopStarts.end(), at);
        return size_t(std::max<ptrdiff_t>(0, next - segment_.gopStarts.begin() - 1));
    }

    Segment& segment_;
    AVFormatContext* in_;
    int64_t videoOrigin_ = 0;
    int64_t videoGop_ = -1;
};

} // namespace

Segment makeSegment(LiveFormat format, InputSize size, double seconds) {
    SegmentRecipe recipe = recipeFor(format, size);
    recipe.clip.startTimecode.clear(); // the burnt-in timecode shows the place in the segment
    recipe.clip.frames = int(segmentFrames(recipe, seconds));
    QTemporaryDir scratch(QDir(QDir::tempPath()).filePath("veltra-live-XXXXXX"));
    if (!scratch.isValid())
        fail("cannot make a temporary folder in " + QDir::tempPath());
    recipe.clip.path = scratch.filePath("segment." + recipe.extension);
    writeSampleClip(recipe.clip);

    Segment segment;
    segment.frameRate = {recipe.clip.rateNum, recipe.clip.rateDen};
    segment.timecodeRate = recipe.clip.timecodeRate();
    segment.frames = recipe.clip.frames;
    const AVInputPtr in = openInput(recipe.clip.path);
    SegmentReader(segment, in.get()).read();
    return segment;
}

} // namespace samples::live
