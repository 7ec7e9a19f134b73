#pragma once
// The bytes of one clip file as its storage gives them. The file source reads every clip through one
// of these; tests and benchmarks wrap it (a decorator given to the engine factory) to make reads slow
// or hold them, as a slow or silent network share would.
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

namespace engine::ff {

class ByteSource {
  public:
    static constexpr int64_t kReadAheadBytes = int64_t(4) << 20;

    virtual ~ByteSource() = default;
    // Up to `n` bytes at `offset` into `buf`: the count read, 0 at the end of what is on disk now, or a
    // negative AVERROR. May block as long as the storage takes.
    virtual int64_t readAt(int64_t offset, uint8_t* buf, int64_t n) = 0;
    // The size on disk now, or a negative AVERROR.
    virtual int64_t size() = 0;
    // Seconds since the file was last written, when the storage tells.
    virtual std::optional<double> secondsSinceWrite() { return std::nullopt; }
    // How much one call asks for while a clip is read in order, and so how far reads go ahead of the
    // demuxer: the round trip of a network share is paid once for many of the demuxer's reads.
    virtual int64_t readAheadBytes() { return kReadAheadBytes; }
};

// A decorator's base: passes every call to the source it wraps.
class ForwardingBytes : public ByteSource {
  public:
    explicit ForwardingBytes(std::unique_ptr<ByteSource> inner) : inner_(std::move(inner)) {}
    int64_t readAt(int64_t offset, uint8_t* buf, int64_t n) override { return inner_->readAt(offset, buf, n); }
    int64_t size() override { return inner_->size(); }
    std::optional<double> secondsSinceWrite() override { return inner_->secondsSinceWrite(); }
    int64_t readAheadBytes() override { return inner_->readAheadBytes(); }

  private:
    std::unique_ptr<ByteSource> inner_;
};

// Opens the plain file (null with a negative AVERROR in `error` when it cannot be opened).
std::unique_ptr<ByteSource> openFileBytes(const QString& path, int& error);

// Wraps the byte source of each clip file the engine opens; empty in the product.
using ByteSourceDecorator = std::function<std::unique_ptr<ByteSource>(std::unique_ptr<ByteSource>, const QString& path)>;

// A decorator that calls `gate` with the file's path before each read (it may sleep or hold the read).
// `readAheadBytes` other than 0 stands for the storage's own: small, a small clip is not read whole at
// once, so that holding reads holds its playback too.
ByteSourceDecorator gateReads(std::function<void(const QString& path)> gate, int64_t readAheadBytes = 0);

} // namespace engine::ff
