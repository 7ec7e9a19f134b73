#include "io/StorageReader.h"

#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

extern "C" {
#include <libavutil/error.h>
}

namespace engine::ff {

struct StorageReader::Call {
    enum Kind { kRead, kSize, kWritten } kind = kRead;
    int64_t offset = 0;
    int64_t n = 0;
};

// What the caller and the storage thread share; the thread holds it too, so that a thread left behind
// still has what it works on.
struct StorageReader::Shared {
    std::mutex m;
    std::condition_variable cv;
    std::unique_ptr<ByteSource> bytes;
    bool quit = false;
    bool pending = false; // a call waits for the thread
    bool busy = false;    // the thread is in the storage
    uint64_t issued = 0, answered = 0;
    Call call;
    std::vector<uint8_t> buffer;
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
            busy = true;
            const Call c = call;
            if (c.kind == Call::kRead && buffer.size() < size_t(c.n))
                buffer.resize(size_t(c.n));
            lk.unlock();
            int64_t r = 0;
            std::optional<double> w;
            if (c.kind == Call::kRead)
                r = bytes->readAt(c.offset, buffer.data(), c.n);
            else if (c.kind == Call::kSize)
                r = bytes->size();
            else
                w = bytes->secondsSinceWrite();
            lk.lock();
            busy = false;
            result = r;
            written = w;
            ++answered;
            since = std::chrono::steady_clock::now();
            cv.notify_all();
        }
    }
};

StorageReader::StorageReader(std::unique_ptr<ByteSource> bytes) : shared_(std::make_shared<Shared>()) {
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
    auto waitAnswer = [&]() -> int64_t {
        while (s.answered != s.issued) {
            if (s.timedOut || std::chrono::steady_clock::now() - s.since >= kStorageTimeout) {
                s.timedOut = true;
                return AVERROR(ETIMEDOUT);
            }
            if (giveUp && giveUp())
                return AVERROR_EXIT;
            s.cv.wait_for(lk, std::chrono::milliseconds(20));
        }
        return 0;
    };
    // A call given up earlier may still be in the storage: wait for it first.
    if (const int64_t rc = waitAnswer())
        return rc;
    s.call = call;
    s.pending = true;
    ++s.issued;
    s.since = std::chrono::steady_clock::now();
    s.cv.notify_all();
    if (const int64_t rc = waitAnswer())
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
