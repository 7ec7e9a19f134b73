#pragma once
// The blocks a storage reader has read ahead of a clip's sequential reads: consecutive byte ranges of
// the file, oldest first, at most kKept of them. Only bytes the storage gave are held, so a block cut
// short at the end of what was on disk never stands for the end of a file still being written.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>

namespace engine::ff {

class ReadAheadBlocks {
  public:
    static constexpr size_t kKept = 2;

    struct Block {
        int64_t offset = 0;
        std::unique_ptr<uint8_t[]> bytes; // not cleared first: at the edge of a growing file most stays unused
        int64_t size = 0;                 // bytes the storage gave
        // Read as reading went on in order, and the storage gave all that was asked (the file goes on
        // after it): reading is likely to go on past it.
        bool readOnFrom = false;
        int64_t end() const { return offset + size; }
    };

    // Copies up to `n` bytes at `offset` when a block holds that offset; the count copied, 0 when none does.
    // `atNewest` tells that the bytes came from the newest block (time to read the next one).
    int64_t copy(int64_t offset, uint8_t* buf, int64_t n, bool& atNewest) const;
    // Adds a block the storage gave; one that does not follow the newest block starts the blocks afresh.
    // An empty one (nothing there) after the newest block stops the read-ahead after it.
    void add(Block block);
    // Where a read ahead of the newest block starts: its end when reading is likely to go on there, else
    // -1 (none, a read elsewhere, or the end of what was on disk).
    int64_t nextOffset() const;
    void clear() { blocks_.clear(); }

  private:
    std::deque<Block> blocks_;
};

} // namespace engine::ff
