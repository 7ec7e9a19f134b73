#include "source/AudioStage.h"

#include <algorithm>

namespace engine::ff {

AudioStage::AudioStage(SourceCore& core, const MediaFile& file) : core_(core), file_(file) {
    std::vector<int> layout;
    for (const auto& a : file.audio()) {
        streams_.emplace_back(file, a, int(layout.size()));
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
        streams_[size_t(stream)].decode(p.packet.get(), merger_);
        lk.lock();
        if (serial_ == core_.demuxSerial)
            queueBlocks();
    }
}

void AudioStage::restart() {
    serial_ = core_.demuxSerial;
    for (auto& s : streams_)
        s.flush();
    merger_.reset(core_.audioFloor);
}

bool AudioStage::roomLocked() const {
    // Not playing, a seek's picture comes first; its sound is decoded once it has landed and the source
    // rests there (decoded beside it, the sound of a clip's 16 tracks made the seek wait on two cores).
    if (core_.seeking && core_.state != kStateRunning)
        return false;
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
