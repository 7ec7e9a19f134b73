// The storage reader's read-ahead, over bytes in memory that count the storage calls and can hold them.
#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <numeric>
#include <vector>

#include "io/StorageReader.h"

extern "C" {
#include <libavutil/error.h>
}

namespace {

using namespace engine::ff;

struct Storage {
    std::mutex m;
    std::condition_variable cv;
    std::vector<uint8_t> file;
    int calls = 0;
    int64_t largestCall = 0;
    bool held = false;
};

class MemoryBytes final : public ByteSource {
  public:
    explicit MemoryBytes(std::shared_ptr<Storage> s) : s_(std::move(s)) {}
    int64_t readAt(int64_t offset, uint8_t* buf, int64_t n) override {
        std::unique_lock lk(s_->m);
        ++s_->calls;
        s_->largestCall = std::max(s_->largestCall, n);
        s_->cv.wait(lk, [&] { return !s_->held; });
        const int64_t got = std::clamp<int64_t>(int64_t(s_->file.size()) - offset, 0, n);
        std::copy_n(s_->file.data() + offset, got, buf);
        return got;
    }
    int64_t size() override {
        std::lock_guard lk(s_->m);
        return int64_t(s_->file.size());
    }

  private:
    std::shared_ptr<Storage> s_;
};

std::vector<uint8_t> counting(size_t n, size_t from = 0) {
    std::vector<uint8_t> v(n);
    for (size_t i = 0; i < n; ++i)
        v[i] = uint8_t((from + i) * 7 + (from + i) / 251);
    return v;
}

constexpr int64_t kPiece = 256 * 1024; // what FFmpeg's buffer asks for at a time

struct ReadAhead : ::testing::Test {
    std::shared_ptr<Storage> storage = std::make_shared<Storage>();
    std::unique_ptr<StorageReader> reader;
    void SetUp() override { storage->file = counting(20 << 20); }
    void open() { reader = std::make_unique<StorageReader>(std::make_unique<MemoryBytes>(storage)); }
    // Reads on in pieces from `offset` to the end of what is there; what was read.
    std::vector<uint8_t> readOn(int64_t& offset) {
        std::vector<uint8_t> out, piece(kPiece);
        for (int64_t got; (got = reader->readAhead(offset, piece.data(), kPiece, {})) > 0; offset += got)
            out.insert(out.end(), piece.begin(), piece.begin() + got);
        return out;
    }
    int calls() {
        std::lock_guard lk(storage->m);
        return storage->calls;
    }
    void hold(bool held) {
        std::lock_guard lk(storage->m);
        storage->held = held;
        storage->cv.notify_all();
    }
};

// Reading in order asks the storage for a few large blocks, each at most kReadAheadBytes, and gives the
// file's bytes as they are.
TEST_F(ReadAhead, ReadingInOrderTakesFewLargeStorageCalls) {
    open();
    int64_t at = 0;
    EXPECT_EQ(readOn(at), storage->file);
    const int64_t blocks = int64_t(storage->file.size()) / ByteSource::kReadAheadBytes;
    EXPECT_LE(calls(), blocks + 2);
    EXPECT_LE(storage->largestCall, ByteSource::kReadAheadBytes);
}

// A file still being written: the short block at the end of what was on disk is not its end.
TEST_F(ReadAhead, TheEndOfWhatWasOnDiskIsReadOnOnceTheFileGrows) {
    storage->file.resize(5 << 20);
    open();
    int64_t at = 0;
    EXPECT_EQ(readOn(at), counting(5 << 20));
    {
        std::lock_guard lk(storage->m);
        storage->file = counting(9 << 20);
    }
    EXPECT_EQ(readOn(at), counting(4 << 20, 5 << 20));
    EXPECT_EQ(at, 9 << 20);
}

// A seek elsewhere asks only for what is read there, and the read-ahead starts again from it.
TEST_F(ReadAhead, AReadElsewhereIsServedFromTheStorage) {
    open();
    std::vector<uint8_t> piece(kPiece);
    ASSERT_EQ(reader->readAhead(0, piece.data(), kPiece, {}), kPiece);
    const int64_t far = 15 << 20;
    ASSERT_EQ(reader->readAhead(far, piece.data(), kPiece, {}), kPiece);
    EXPECT_EQ(piece, counting(kPiece, far));
    int64_t at = far + kPiece;
    EXPECT_EQ(readOn(at), counting(storage->file.size() - far - kPiece, far + kPiece));
}

// Storage that holds a call: the reader gives up when told, a later call waits for the one still in the
// storage (and gives up too), and reading goes on once the storage answers.
TEST_F(ReadAhead, AHeldCallIsGivenUpWhenToldAndReadingGoesOnLater) {
    open();
    hold(true);
    std::vector<uint8_t> piece(kPiece);
    int asked = 0;
    EXPECT_EQ(reader->readAhead(0, piece.data(), kPiece, [&] { return ++asked > 3; }), AVERROR_EXIT);
    EXPECT_EQ(reader->readAt(0, piece.data(), kPiece, [] { return true; }), AVERROR_EXIT);
    hold(false);
    int64_t at = 0;
    EXPECT_EQ(readOn(at), storage->file);
}

} // namespace
