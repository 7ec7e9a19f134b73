#include "io/ReadAheadBlocks.h"

#include <algorithm>

namespace engine::ff {

int64_t ReadAheadBlocks::copy(int64_t offset, uint8_t* buf, int64_t n, bool& atNewest) const {
    for (size_t i = 0; i < blocks_.size(); ++i) {
        const Block& b = blocks_[i];
        if (offset < b.offset || offset >= b.end())
            continue;
        const int64_t count = std::min(n, b.end() - offset);
        std::copy_n(b.bytes.get() + (offset - b.offset), count, buf);
        atNewest = i + 1 == blocks_.size();
        return count;
    }
    return 0;
}

void ReadAheadBlocks::add(Block block) {
    if (block.size <= 0) {
        // Nothing more there yet: reading on from the newest block waits for a read that asks again.
        if (!blocks_.empty() && blocks_.back().end() == block.offset)
            blocks_.back().readOnFrom = false;
        return;
    }
    if (!blocks_.empty() && blocks_.back().end() != block.offset)
        blocks_.clear();
    blocks_.push_back(std::move(block));
    while (blocks_.size() > kKept)
        blocks_.pop_front();
}

int64_t ReadAheadBlocks::nextOffset() const {
    return !blocks_.empty() && blocks_.back().readOnFrom ? blocks_.back().end() : -1;
}

} // namespace engine::ff
