// The plain file under a clip: positioned reads on one descriptor, size from fstat.
#include <algorithm>
#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "engine_ffmpeg/ByteSource.h"

extern "C" {
#include <libavutil/error.h>
}

namespace engine::ff {
namespace {

class FileBytes final : public ByteSource {
  public:
    explicit FileBytes(int fd) : fd_(fd) {}
    ~FileBytes() override { ::close(fd_); }
    FileBytes(const FileBytes&) = delete;
    FileBytes& operator=(const FileBytes&) = delete;

    int64_t readAt(int64_t offset, uint8_t* buf, int64_t n) override {
        for (;;) {
            const ssize_t got = ::pread(fd_, buf, size_t(n), off_t(offset));
            if (got >= 0)
                return got;
            if (errno != EINTR)
                return AVERROR(errno);
        }
    }

    int64_t size() override {
        struct stat st {};
        if (::fstat(fd_, &st) != 0)
            return AVERROR(errno);
        return int64_t(st.st_size);
    }

    std::optional<double> secondsSinceWrite() override {
        struct stat st {};
        timespec now {};
        if (::fstat(fd_, &st) != 0 || ::clock_gettime(CLOCK_REALTIME, &now) != 0)
            return std::nullopt;
        const double ago = double(now.tv_sec - st.st_mtim.tv_sec) + (now.tv_nsec - st.st_mtim.tv_nsec) * 1e-9;
        return std::max(0.0, ago);
    }

  private:
    const int fd_;
};

} // namespace

std::unique_ptr<ByteSource> openFileBytes(const QString& path, int& error) {
    const int fd = ::open(path.toUtf8().constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = AVERROR(errno);
        return nullptr;
    }
    error = 0;
    return std::make_unique<FileBytes>(fd);
}

ByteSourceDecorator gateReads(std::function<void(const QString& path)> gate, int64_t readAheadBytes) {
    class Gated final : public ForwardingBytes {
      public:
        Gated(std::unique_ptr<ByteSource> inner, std::function<void()> gate, int64_t readAhead)
            : ForwardingBytes(std::move(inner)), gate_(std::move(gate)), readAhead_(readAhead) {}
        int64_t readAt(int64_t offset, uint8_t* buf, int64_t n) override {
            gate_();
            return ForwardingBytes::readAt(offset, buf, n);
        }
        int64_t readAheadBytes() override { return readAhead_ > 0 ? readAhead_ : ForwardingBytes::readAheadBytes(); }

      private:
        std::function<void()> gate_;
        const int64_t readAhead_;
    };
    return [gate = std::move(gate), readAheadBytes](std::unique_ptr<ByteSource> inner,
                                                    const QString& path) -> std::unique_ptr<ByteSource> {
        return std::make_unique<Gated>(std::move(inner), [gate, path] { gate(path); }, readAheadBytes);
    };
}

} // namespace engine::ff
