#pragma once
// The bytes of one clip file as its storage gives them. The file source reads every clip through one
// of these; tests and benchmarks wrap it (a decorator given to the engine factory) to make reads slow
// or hold them, as a slow or silent network share would.
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

namespace engine::ff {

class ByteSource {
  public:
    virtual ~ByteSource() = default;
    // Up to `n` bytes at `offset` into `buf`: the count read, 0 at the end of what is on disk now, or a
    // negative AVERROR. May block as long as the storage takes.
    virtual int64_t readAt(int64_t offset, uint8_t* buf, int64_t n) = 0;
    // The size on disk now, or a negative AVERROR.
    virtual int64_t size() = 0;
};

// Opens the plain file (null with a negative AVERROR in `error` when it cannot be opened).
std::unique_ptr<ByteSource> openFileBytes(const QString& path, int& error);

// Wraps the byte source of each clip file the engine opens; empty in the product.
using ByteSourceDecorator = std::function<std::unique_ptr<ByteSource>(std::unique_ptr<ByteSource>, const QString& path)>;

} // namespace engine::ff
