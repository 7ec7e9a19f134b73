#pragma once
// Runs a clip's storage calls on a thread of its own, so that the thread reading the clip can give up
// on a call: when it is told to stop or seek elsewhere, or when the storage has not answered for
// kStorageTimeout. A call the storage never answers keeps only this reader's thread, which is left
// behind (never joined) with the byte source it reads.
//
// A clip's sequential reads go through readAhead: the storage is asked for blocks of the byte source's
// readAheadBytes (ReadAheadBlocks::kKept of them are kept, plus one being read), and once the reader is
// in the newest block the thread reads the next one meanwhile, so that a storage where each
// call takes long (a network share's round trip) still keeps up with playback when its bandwidth does.
#include <chrono>
#include <functional>
#include <memory>

#include "engine_ffmpeg/ByteSource.h"

namespace engine::ff {

class StorageReader {
  public:
    static constexpr std::chrono::seconds kStorageTimeout{20};
    // Why a call gave up: told to (AVERROR_EXIT) or the storage is silent (AVERROR(ETIMEDOUT)).
    using GiveUp = std::function<bool()>;

    explicit StorageReader(std::unique_ptr<ByteSource> bytes);
    ~StorageReader();
    StorageReader(const StorageReader&) = delete;
    StorageReader& operator=(const StorageReader&) = delete;

    // As ByteSource's calls; AVERROR_EXIT when `giveUp` said so first, AVERROR(ETIMEDOUT) when the
    // storage did not answer in time (every later call then fails the same way at once).
    int64_t readAt(int64_t offset, uint8_t* buf, int64_t n, const GiveUp& giveUp);
    // As readAt, served from the blocks read ahead when they hold `offset`; may give fewer than `n` bytes.
    int64_t readAhead(int64_t offset, uint8_t* buf, int64_t n, const GiveUp& giveUp);
    // Drops what was read ahead (the file was cut shorter under it).
    void forgetReadAhead();
    int64_t size(const GiveUp& giveUp);
    std::optional<double> secondsSinceWrite(const GiveUp& giveUp);

  private:
    struct Shared;
    struct Call;
    int64_t run(Call call, const GiveUp& giveUp);
    std::shared_ptr<Shared> shared_;
};

} // namespace engine::ff
