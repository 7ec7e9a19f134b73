#include "source/AudioStage.h"

#include <algorithm>

extern "C" {
#include <libavutil/channel_layout.h>
}

namespace engine::ff {

AudioStage::AudioStage(SourceCore& core, const MediaFile& file) : core_(core), file_(file) {
    std::vector<int> layout;
    for (const auto& a : file.audio()) {
        Stream s;
        s.codec = openDecoder(*file.format()->streams[a.index], 1);
        s.channels = a.channels;
        s.time = a.time;
        streams_.push_back(std::move(s));
        layout.push_back(a.channels);
    }
    merger_.configure(layout);
    thread_ = std::thread([this] { run(); });
}

AudioStage::~AudioStage() {
    if (thread_.joinable())
        thread_.join();
}

void AudioStage::run() {
    Lock lk(core_.m);
    while (!core_.quit) {
        if (!file_.info().hasVideo && core_.session.load() != session_) {
            session_ = core_.session.load();
            core_.readFromLocked(core_.target, core_.target);
        }
        if (core_.demuxSerial != serial_) {
            restart();
            continue;
        }
        if (!roomLocked()) {
            core_.wakeWorker.wait(lk);
            continue;
        }
        const int stream = nextStreamLocked();
        if (stream < 0) {
            if (core_.audioEndedSerial != serial_ &&
                std::all_of(core_.audioPackets.begin(), core_.audioPackets.end(),
                            [](const PacketQueue& q) { return q.ended() && q.empty(); })) {
                core_.audioEndedSerial = serial_;
                core_.wakePresenter.notify_all();
            }
            core_.wakeWorker.wait(lk);
            continue;
        }
        const QueuedPacket p = core_.audioPackets[size_t(stream)].pop();
        core_.wakeWorker.notify_all();
        // Sound well before what is wanted is not decoded (a seek reads from the key picture before its
        // target); the last packets before it are, for decoders whose output depends on the packet before.
        if (p.serial != serial_ || (p.packet && p.end > p.start && p.end < core_.audioFloor - kPrimingSeconds))
            continue;
        lk.unlock();
        decode(size_t(stream), p.packet.get());
        lk.lock();
        if (serial_ == core_.demuxSerial)
            queueBlocks();
    }
}

void AudioStage::restart() {
    serial_ = core_.demuxSerial;
    for (auto& s : streams_) {
        if (s.codec)
            avcodec_flush_buffers(s.codec.get());
        s.swr.reset();
    }
    merger_.reset(core_.audioFloor);
}

bool AudioStage::roomLocked() const {
    if (core_.audio.empty())
        return true;
    const double from = std::max(core_.audio.front().block->position, core_.position);
    return core_.audio.back().block->end() - from < core_.aheadLocked(kAheadSeconds);
}

int AudioStage::nextStreamLocked() const {
    // The stream whose next packet starts first, so that the streams are decoded side by side.
    int best = -1;
    for (size_t i = 0; i < core_.audioPackets.size(); ++i) {
        const PacketQueue& q = core_.audioPackets[i];
        if (!q.empty() && (best < 0 || !q.front().packet ||
                           q.front().start < core_.audioPackets[size_t(best)].front().start))
            best = int(i);
    }
    return best;
}

void AudioStage::decode(size_t stream, const AVPacket* packet) {
    Stream& s = streams_[stream];
    if (s.codec && (avcodec_send_packet(s.codec.get(), packet) >= 0 || !packet))
        while (avcodec_receive_frame(s.codec.get(), scratch_.get()) == 0) {
            convert(stream, *scratch_);
            av_frame_unref(scratch_.get());
        }
    if (!packet)
        merger_.endStream(int(stream));
}

void AudioStage::convert(size_t stream, AVFrame& f) {
    Stream& a = streams_[stream];
    // A stream may change its sound format midway (or seem to, when damaged); the converter reads as
    // many planes as it was set up for, so it is set up anew.
    if (a.swr && (f.format != a.swrFormat || f.sample_rate != a.swrRate || f.ch_layout.nb_channels != a.swrChannels))
        a.swr.reset();
    if (!a.swr) {
        AVChannelLayout out;
        av_channel_layout_default(&out, a.channels);
        SwrContext* swr = nullptr;
        swr_alloc_set_opts2(&swr, &out, AV_SAMPLE_FMT_FLT, AudioMerger::kSampleRate, &f.ch_layout,
                            AVSampleFormat(f.format), f.sample_rate, 0, nullptr);
        a.swr.reset(swr);
        if (!swr || swr_init(swr) < 0) {
            a.swr.reset();
            return;
        }
        a.swrFormat = f.format;
        a.swrRate = f.sample_rate;
        a.swrChannels = f.ch_layout.nb_channels;
    }
    const double pos = f.best_effort_timestamp != AV_NOPTS_VALUE ? a.time.seconds(f.best_effort_timestamp)
                                                                  : a.nextPosition;
    const int capacity = swr_get_out_samples(a.swr.get(), f.nb_samples);
    std::vector<float> buf(size_t(std::max(capacity, 0)) * size_t(a.channels));
    uint8_t* outPlanes[] = {reinterpret_cast<uint8_t*>(buf.data())};
    const int got =
        swr_convert(a.swr.get(), outPlanes, capacity, const_cast<const uint8_t**>(f.extended_data), f.nb_samples);
    a.nextPosition = pos + double(f.nb_samples) / std::max(1, f.sample_rate);
    if (got > 0)
        merger_.push(int(stream), pos, buf.data(), got);
}

void AudioStage::queueBlocks() {
    bool any = false;
    while (auto block = merger_.pull()) {
        if (block->end() <= core_.audioFloor)
            continue;
        core_.audio.push_back({serial_, std::move(block)});
        any = true;
    }
    if (any)
        core_.wakePresenter.notify_all();
}

} // namespace engine::ff
