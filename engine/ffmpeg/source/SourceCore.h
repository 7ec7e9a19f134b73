#pragma once
// What the caller's thread, the pipeline's threads (demux, video and audio decoding, or the generator of
// a built-in source) and the presenter thread of one file source share. Every field is guarded by `m`
// (the session number is also readable without it, for aborting a seek).
#include <QString>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <vector>

#include "source/FrameRing.h"
#include "source/KeyTimes.h"
#include "source/MediaReader.h"
#include "source/PacketQueue.h"

namespace engine::ff {

enum SourceState : int { kStateClosed = 0, kStateStopped = 1, kStatePaused = 2, kStateRunning = 3 };

struct QueuedFrame {
    uint64_t session = 0;
    FrameHandle frame; // null: the stream ended in this session
};
struct QueuedAudio {
    uint64_t serial = 0; // demux serial: sound stays valid across seeks that need no new read
    SourceAudioHandle block;
};

struct SourceCore {
    std::mutex m;
    // wakeWorker wakes every producer stage (demux, decoders, generator); wakePresenter the presenter.
    std::condition_variable wakeWorker, wakePresenter;
    bool quit = false;

    // Commands (caller's thread).
    std::atomic<uint64_t> session{0}; // bumped by every seek; frames of older sessions are dropped
    double target = 0;                // seek target of the session
    int state = kStateClosed;
    double rate = 1.0;
    double in = 0, out = 0; // out <= in: to the end
    bool loop = false, eofStop = false, dropFrames = true;
    std::vector<int> channelMap; // output channel -> source channel, -1 silent
    const IAudioClock* audioClock = nullptr; // the sound owner's; null: steady time drives the clock
    bool soundOwnerChanged = false;          // the presenter resends the sound from the clock's position
    bool captions = false; // a caption plug-in is in the chain
    QString lastError;     // why the last open failed, or why the source ended early (for the operator)
    // The current play run (from the last PlayFile): where it started and whether anything after its
    // first picture reached the sinks (a pacing sink joining later then makes the run start over).
    double runStart = 0;
    std::chrono::steady_clock::time_point runStartedAt{};
    bool runAdvanced = false;

    // Demuxing: a read-ahead per stream. A seek that must read from elsewhere bumps demuxSerial and
    // clears what was read ahead; the decoders start over when they meet packets of a new serial.
    uint64_t demuxSerial = 0;
    bool demuxSeekPending = false;
    double demuxSeekTo = 0;
    PacketQueue videoPackets;
    std::deque<PacketQueue> audioPackets; // one per audio stream (a deque: queues never move)
    double audioFloor = 0;                 // sound before this is not wanted (set with a new read)
    uint64_t audioEndedSerial = UINT64_MAX; // every sample of this serial was queued in `audio`
    double clockPosition = 0;               // the presenter's clock while running (for catching up)
    // The video stage decodes towards a seek's target and, not playing, until the landed picture is handed
    // out and the source has rested on it. Meanwhile nothing else is read or decoded ahead: on two cores that
    // would take from the decoding and the drawing the seek waits for.
    bool seeking = false;

    // Published by the stages and the presenter.
    MediaInfo info;
    double duration = 0;
    double position = 0;
    std::deque<QueuedFrame> frames;
    // While a seek decodes towards its target: a picture near it (the nearest decoded already, or the
    // key picture of its GOP), shown meanwhile by the renderers (the position keeps reading the target).
    FrameHandle seekPreview;
    uint64_t seekPreviewSession = UINT64_MAX;
    FrameHandle onScreen; // the picture the presenter handed out last, exact or preview
    // The clip's recently decoded pictures (the video stage adds them), and its key pictures as read.
    FrameRing ring;
    KeyTimes keys;
    uint64_t picturesDecoded = 0; // by the video decoder since the clip was opened (for measuring seeks)
    std::deque<QueuedAudio> audio;

    // How far back a picture still counts as near a target while the GOP length is not known yet.
    static constexpr double kUnknownGopSeconds = 2.0;
    // How far the stages read and decode ahead of the picture shown while not playing: enough for the
    // frames around a pause; more would mostly be thrown away by the next seek of a drag or a search.
    static constexpr double kPausedAheadSeconds = 1.0;
    double aheadLocked(double whilePlaying) const {
        return state == kStateRunning ? whilePlaying : std::min(whilePlaying, kPausedAheadSeconds);
    }
    void offerSeekPreviewLocked(const FrameHandle& near, uint64_t forSession) {
        // Never back from a picture on screen that is nearer the target (a drag moves toward it), nor the
        // picture on screen again (from another decoder: the key picture's own, then the clip's).
        if (!near || (onScreen && onScreen->position >= near->position - near->duration / 2 &&
                      onScreen->position <= target + near->duration / 2))
            return;
        seekPreview = near;
        seekPreviewSession = forSession;
        wakePresenter.notify_all();
    }

    bool hasOutPoint() const { return out > in && out > 0; }
    // A new session at `t`: queued pictures are stale from now on (queued sound is, once the reading
    // starts over elsewhere: see readFromLocked).
    void seekLocked(double t) {
        session.fetch_add(1);
        target = t;
        frames.clear();
        // Paused or stopped (a drag over the position bar), the nearest picture before the target that
        // was decoded already shows at once, while the exact one is decoded.
        if (state != kStateRunning)
            offerSeekPreviewLocked(ring.nearestBefore(t, keys.gopSeconds() > 0 ? keys.gopSeconds() : kUnknownGopSeconds), session.load());
        wakeWorker.notify_all();
        wakePresenter.notify_all();
    }
    // Reading starts over at `point` (clip seconds; negative: the beginning of the file); sound before
    // `soundFrom` is not wanted.
    void readFromLocked(double point, double soundFrom) {
        ++demuxSerial;
        demuxSeekPending = true;
        demuxSeekTo = point;
        videoPackets.clear();
        for (auto& q : audioPackets)
            q.clear();
        audio.clear();
        audioFloor = soundFrom;
        audioEndedSerial = UINT64_MAX;
        wakeWorker.notify_all();
        wakePresenter.notify_all();
    }
};

} // namespace engine::ff
