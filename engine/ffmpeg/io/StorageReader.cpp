#include "io/StorageReader.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <new>
#include <thread>
#include <vector>

#include "io/ReadAheadBlocks.h"

extern "C" {
#include <libavutil/error.h>
}

namespace engine::ff {

struct StorageReader::Call {
    enum Kind { kRead, kBlock, kSize, kWritten } kind = kRead;
    int64_t offset = 0;
    int64_t n = 0;
    bool inOrder = false; // a block read as reading goes on in order: the next one is read ahead
};

// What the caller and the storage thread share; the thread holds it too, so that a thread left behind
// still has what it works on.
struct StorageReader::Shared {
    std::mutex m;
    std::condition_variable cv;
    std::unique_ptr<ByteSource> bytes;
    bool quit = false;
    bool pending = false; // a call waits for the thread
    uint64_t issued = 0, answered = 0;
    Call call;
    std::vector<uint8_t> buffer;
    ReadAheadBlocks blocks;
    int64_t blockBytes = 0;
    int64_t sequentialEnd = 0; // where the last read ahead ended: a read from there goes on in order
    int64_t result = 0;
    std::optional<double> written;
    bool timedOut = false;
    std::chrono::steady_clock::time_point since; // when the storage was last asked or last answered

    void serve() {
        std::unique_lock lk(m);
        for (;;) {
            cv.wait(lk, [&] { return quit || pending; });
            if (quit)
                return;
            pending = false;
            const Call c = call;
            if (c.kind == Call::kRead && buffer.size() < size_t(c.n))
                buffer.resize(size_t(c.n));
            lk.unlock();
            int64_t r = 0;
            std::optional<double> w;
            ReadAheadBlocks::Block block;
            if (c.kind == Call::kRead) {
                r = bytes->readAt(c.offset, buffer.data(), c.n);
            } else if (c.kind == Call::kBlock) {
                block.offset = c.offset;
                block.bytes.reset(new (std::nothrow) uint8_t[size_t(c.n)]);
                r = block.bytes ? bytes->readAt(c.offset, block.bytes.get(), c.n) : AVERROR(ENOMEM);
                block.size = std::max<int64_t>(r, 0);
                block.readOnFrom = r == c.n && c.inOrder;
            } else if (c.kind == Call::kSize) {
                r = bytes->size();
            } else {
                w = bytes->secondsSinceWrite();
            }
            lk.lock();
            if (c.kind == Call::kBlock)
                blocks.add(std::move(block));
            result = r;
            written = w;
            ++answered;
            since = std::chrono::steady_clock::now();
            cv.notify_all();
        }
    }

    bool idle() const { return answered == issued; }

    void issue(Call c) {
        call = c;
        pending = true;
        ++issued;
        since = std::chrono::steady_clock::now();
        cv.notify_all();
    }

    // Waits until the thread answered every call; AVERROR_EXIT or AVERROR(ETIMEDOUT) when it gave up.
    int64_t waitAnswer(std::unique_lock<std::mutex>& lk, const GiveUp& giveUp) {
        while (!idle()) {
            if (timedOut || std::chrono::steady_clock::now() - since >= kStorageTimeout) {
                timedOut = true;
                return AVERROR(ETIMEDOUT);
            }
            if (giveUp && giveUp())
                return AVERROR_EXIT;
            cv.wait_for(lk, std::chrono::milliseconds(20));
        }
        return 0;
    }

    // The reader went into the newest block: the next one is read while it goes through this one.
    void readNextBlock() {
        const int64_t next = blocks.nextOffset();
        if (next >= 0 && idle() && !timedOut)
            issue({Call::kBlock, next, blockBytes, true});
    }
};

StorageReader::StorageReader(std::unique_ptr<ByteSource> bytes) : shared_(std::make_shared<Shared>()) {
    shared_->blockBytes = std::max<int64_t>(bytes->readAheadBytes(), 4096);
    shared_->bytes = std::move(bytes);
    std::thread([s = shared_] { s->serve(); }).detach();
}

StorageReader::~StorageReader() {
    // The thread ends by itself once it is out of the storage; it holds what it needs.
    std::lock_guard lk(shared_->m);
    shared_->quit = true;
    shared_->cv.notify_all();
}

int64_t StorageReader::run(Call call, const GiveUp& giveUp) {
    Shared& s = *shared_;
    std::unique_lock lk(s.m);
    // A call given up earlier, or a block read ahead, may still be in the storage: wait for it first.
    if (const int64_t rc = s.waitAnswer(lk, giveUp))
        return rc;
    s.issue(call);
    if (const int64_t rc = s.waitAnswer(lk, giveUp))
        return rc;
    return s.result;
}

int64_t StorageReader::readAt(int64_t offset, uint8_t* buf, int64_t n, const GiveUp& giveUp) {
    const int64_t got = run({Call::kRead, offset, n}, giveUp);
    if (got > 0) {
        std::lock_guard lk(shared_->m);
        std::copy_n(shared_->buffer.data(), got, buf);
    }
    return got;
}

int64_t StorageReader::readAhead(int64_t offset, uint8_t* buf, int64_t n, const GiveUp& giveUp) {
    Shared& s = *shared_;
    std::unique_lock lk(s.m);
    for (;;) {
        bool atNewest = false;
        if (const int64_t got = s.blocks.copy(offset, buf, n, atNewest); got > 0) {
            s.sequentialEnd = offset + got;
            if (atNewest)
                s.readNextBlock();
            return got;
        }
        // The block being read ahead may hold it.
        if (!s.idle()) {
            if (const int64_t rc = s.waitAnswer(lk, giveUp))
                return rc;
            continue;
        }
        // Elsewhere than where reading went on (a seek): only what was asked, until reading goes on in order.
        const bool inOrder = offset == s.sequentialEnd;
        s.issue({Call::kBlock, offset, inOrder ? std::max(n, s.blockBytes) : n, inOrder});
        if (const int64_t rc = s.waitAnswer(lk, giveUp))
            return rc;
        if (s.result <= 0)
            return s.result;
    }
}

void StorageReader::forgetReadAhead() {
    std::lock_guard lk(shared_->m);
    shared_->blocks.clear();
}

int64_t StorageReader::size(const GiveUp& giveUp) {
    return run({Call::kSize, 0, 0}, giveUp);
}

std::optional<double> StorageReader::secondsSinceWrite(const GiveUp& giveUp) {
    if (run({Call::kWritten, 0, 0}, giveUp) < 0)
        return std::nullopt;
    std::lock_guard lk(shared_->m);
    return shared_->written;
}

} // namespace engine::ff
