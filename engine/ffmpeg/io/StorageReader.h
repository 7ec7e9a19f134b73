#pragma once
// Runs a clip's storage calls on a thread of its own, so that the thread reading the clip can give up
// on a call: when it is told to stop or seek elsewhere, or when the storage has not answered for
// kStorageTimeout. A call the storage never answers keeps only this reader's thread, which is left
// behind (never joined) with the byte source it reads.
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
    int64_t size(const GiveUp& giveUp);
    std::optional<double> secondsSinceWrite(const GiveUp& giveUp);

  private:
    struct Shared;
    struct Call;
    int64_t run(Call call, const GiveUp& giveUp);
    std::shared_ptr<Shared> shared_;
};

} // namespace engine::ff
