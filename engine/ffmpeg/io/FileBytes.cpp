// The plain file under a clip: positioned reads on one descriptor, size from fstat.
#include <cerrno>
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

} // namespace engine::ff
