#include "source/ClipSound.h"

#include <algorithm>

#include "source/AudioStage.h"
#include "source/SoundRoute.h"
#include "source/StreamSound.h"

namespace engine::ff {
namespace {

// The decoders start this far before the stretch: what an audio decoder puts out first after a seek
// depends on the packets before.
constexpr double kLeadSeconds = 1.0;

// Moves the reader back to the file's start.
void rewind(const MediaFile& file) {
    AVFormatContext* fmt = file.format();
    if (av_seek_frame(fmt, -1, 0, AVSEEK_FLAG_BYTE) < 0)
        av_seek_frame(fmt, -1, fmt->start_time != AV_NOPTS_VALUE ? fmt->start_time : 0, AVSEEK_FLAG_BACKWARD);
}

// Moves a freshly opened reader to before `seconds` of the clip's time line; false when it reads from
// the start.
bool seekBefore(const MediaFile& file, double seconds) {
    if (seconds <= 0)
        return false;
    const int64_t ts = std::llround((seconds + file.origin()) * AV_TIME_BASE);
    if (av_seek_frame(file.format(), -1, ts, AVSEEK_FLAG_BACKWARD) >= 0)
        return true;
    rewind(file);
    return false;
}

} // namespace

QString readClipSound(const QString& path, const std::vector<int>& channelMap, double fromSeconds,
                      double toSeconds, const std::function<QString(const AudioHandle&)>& take,
                      const std::function<bool()>& stop) {
    QString error;
    const std::unique_ptr<MediaFile> file = MediaFile::open(path, {}, error);
    if (!file)
        return error;
    AVFormatContext* fmt = file->format();
    std::vector<StreamSound> streams;
    std::vector<int> layout, byIndex(fmt->nb_streams, -1);
    for (const AudioStreamInfo& a : file->audio()) {
        byIndex[size_t(a.index)] = int(streams.size());
        streams.emplace_back(*file, a, int(layout.size()));
        layout.push_back(a.channels);
    }
    if (streams.empty())
        return {};
    AudioMerger merger;
    merger.configure(layout);
    merger.reset(fromSeconds);
    // A seek by time may land after the wanted sound (a transport stream's is approximate): the reading
    // then starts over from the file's start.
    bool checkLanding = seekBefore(*file, fromSeconds - kLeadSeconds);
    for (unsigned i = 0; i < fmt->nb_streams; ++i)
        fmt->streams[i]->discard = byIndex[i] >= 0 ? AVDISCARD_DEFAULT : AVDISCARD_ALL;

    AVPacketPtr pkt = makePacket();
    bool ended = false;
    while (!ended) {
        if (stop && stop())
            return {};
        if (av_read_frame(fmt, pkt.get()) < 0) {
            for (StreamSound& s : streams)
                s.decode(nullptr, merger);
            merger.endAll();
            ended = true;
        } else if (const int s = byIndex[size_t(pkt->stream_index)]; s >= 0) {
            file->stamp(*pkt);
            const StreamTime& time = streams[size_t(s)].time();
            const int64_t ts = pkt->pts != AV_NOPTS_VALUE ? pkt->pts : pkt->dts;
            const double start = ts != AV_NOPTS_VALUE ? time.seconds(ts) : fromSeconds;
            if (std::exchange(checkLanding, false) && start > fromSeconds - AudioStage::kPrimingSeconds) {
                av_packet_unref(pkt.get());
                rewind(*file);
                for (StreamSound& st : streams)
                    st.flush();
                merger.reset(fromSeconds);
                continue;
            }
            // Sound well before the stretch is not decoded, but for the packets just before it.
            const double end = start + double(std::max<int64_t>(pkt->duration, 0)) *
                                           av_q2d(fmt->streams[pkt->stream_index]->time_base);
            if (end <= start || end >= fromSeconds - AudioStage::kPrimingSeconds)
                streams[size_t(s)].decode(pkt.get(), merger);
        }
        av_packet_unref(pkt.get());
        while (SourceAudioHandle block = merger.pull()) {
            if (block->position >= toSeconds) {
                ended = true;
                break;
            }
            if (AudioHandle routed = routeSound(*block, channelMap, 1.0, fromSeconds, toSeconds))
                if (QString e = take(routed); !e.isEmpty())
                    return e;
        }
    }
    return {};
}

} // namespace engine::ff
