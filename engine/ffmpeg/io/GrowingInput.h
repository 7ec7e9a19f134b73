#pragma once
// The AVIOContext a clip file is demuxed through. Reads go to the storage on a thread of their own
// (StorageReader); at the end of what is on disk, a file that still counts as growing is waited for
// rather than ended, so a demuxer never meets the end of the file in the middle of a packet.
//
// A file counts as growing until its container says the writer finished it (GrowthProbe::complete),
// or it has not grown for kCompleteAfter, or it was moved away or deleted.
#include <QString>
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>

#include "engine_ffmpeg/ByteSource.h"
#include "io/GrowthProbe.h"
#include "io/StorageReader.h"

struct AVIOContext;

namespace engine::ff {

class GrowthWatch;

class GrowingInput {
  public:
    static constexpr std::chrono::seconds kCompleteAfter{30};

    // Null with a negative AVERROR in `error` when the file cannot be opened. `giveUp` is the opening
    // thread's (see setGiveUp).
    static std::unique_ptr<GrowingInput> open(const QString& path, const ByteSourceDecorator& decorate, int& error,
                                              std::function<bool()> giveUp = {});
    ~GrowingInput();
    GrowingInput(const GrowingInput&) = delete;
    GrowingInput& operator=(const GrowingInput&) = delete;

    AVIOContext* avio() const { return avio_; }
    // Asked before and while each wait: true gives the read up (it returns AVERROR_EXIT). Set by the
    // thread that opens the file, and again before the demuxing thread starts.
    void setGiveUp(std::function<bool()> giveUp) { giveUp_ = std::move(giveUp); }
    // The container is known: its probe tells when the writer finished the file.
    void setProbe(std::unique_ptr<GrowthProbe> probe) { probe_ = std::move(probe); }

    // From now on the edge of a growing file is waited at. Until then (while the container is probed
    // on open, which must not wait for the writer) it reads as the end of the file, and what was read
    // there is read again from a seek before it is played.
    void startWaitingAtEdge();
    void stopWaitingAtEdge() { waitAtEdge_ = false; }
    // Forgets the end of file or error a given-up read left on the byte reader (before a seek).
    void clearReadMarks();
    // The storage did not answer for StorageReader::kStorageTimeout.
    bool storageSilent() const { return silent_; }
    // Still counts as growing (looks at the file: storage calls, for the demuxing thread only).
    bool growing();
    // As growing, on open: the container is asked only what its ends tell.
    bool growingAtOpen();
    // Finding endSeconds the first time reads the file through (left to the demuxing thread).
    bool endTakesAWalk() const { return probe_ && probe_->walksToItsEnd(); }
    // Size on disk as last seen.
    int64_t knownSize() const { return size_; }
    // The container time of the end of the last whole picture on disk, when the probe can tell.
    std::optional<double> endSeconds();
    std::optional<GrownSeekPoint> seekPoint(double seconds);
    // Reads of the probe and of FFmpeg go through here, with the same give-up and timeout.
    ByteSource& bytes() { return *probeBytes_; }

  private:
    GrowingInput(const QString& path, std::unique_ptr<ByteSource> bytes);
    static int readPacket(void* opaque, uint8_t* buf, int size);
    static int64_t seek(void* opaque, int64_t offset, int whence);
    int read(uint8_t* buf, int size);
    bool refreshSize();
    bool complete(bool byEndsOnly = false);
    bool givenUp() const { return giveUp_ && giveUp_(); }
    int64_t storageCall(int64_t rc); // notes a silent storage

    class ProbeBytes;
    StorageReader reader_;
    std::unique_ptr<ByteSource> probeBytes_;
    std::unique_ptr<GrowthWatch> watch_;
    std::unique_ptr<GrowthProbe> probe_;
    std::function<bool()> giveUp_;
    AVIOContext* avio_ = nullptr;
    int64_t pos_ = 0;
    int64_t size_ = 0;
    bool waitAtEdge_ = false;
    bool finished_ = false; // the writer finished (or gave up on) the file: its end is the end
    std::atomic<bool> silent_{false};
    std::chrono::steady_clock::time_point lastGrowth_;
};

} // namespace engine::ff
