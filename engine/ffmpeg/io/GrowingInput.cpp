#include "io/GrowingInput.h"

#include "io/GrowthWatch.h"

extern "C" {
#include <libavformat/avio.h>
#include <libavutil/error.h>
#include <libavutil/mem.h>
}

namespace engine::ff {
namespace {
constexpr int kBufferSize = 256 * 1024;
constexpr auto kGrowthPoll = std::chrono::milliseconds(250);
constexpr auto kGiveUpSlice = std::chrono::milliseconds(50);
} // namespace

// The probe's reads: through the storage thread, with the demuxer's give-up.
class GrowingInput::ProbeBytes final : public ByteSource {
  public:
    explicit ProbeBytes(GrowingInput& in) : in_(in) {}
    int64_t readAt(int64_t offset, uint8_t* buf, int64_t n) override {
        return in_.storageCall(in_.reader_.readAt(offset, buf, n, in_.giveUp_));
    }
    int64_t size() override { return in_.storageCall(in_.reader_.size(in_.giveUp_)); }

  private:
    GrowingInput& in_;
};

std::unique_ptr<GrowingInput> GrowingInput::open(const QString& path, const ByteSourceDecorator& decorate,
                                                 int& error, std::function<bool()> giveUp) {
    std::unique_ptr<ByteSource> bytes = openFileBytes(path, error);
    if (!bytes)
        return nullptr;
    if (decorate)
        bytes = decorate(std::move(bytes), path);
    std::unique_ptr<GrowingInput> in(new GrowingInput(path, std::move(bytes)));
    if (!in->avio_) {
        error = AVERROR(ENOMEM);
        return nullptr;
    }
    in->setGiveUp(std::move(giveUp));
    if (!in->refreshSize()) {
        error = in->silent_ ? AVERROR(ETIMEDOUT) : AVERROR(EIO);
        return nullptr;
    }
    // A file last written long ago is complete whatever its container says.
    const auto ago = in->reader_.secondsSinceWrite(in->giveUp_);
    in->lastGrowth_ = std::chrono::steady_clock::now() -
                      std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                          std::chrono::duration<double>(ago.value_or(0.0)));
    return in;
}

GrowingInput::GrowingInput(const QString& path, std::unique_ptr<ByteSource> bytes)
    : reader_(std::move(bytes)), probeBytes_(std::make_unique<ProbeBytes>(*this)),
      watch_(std::make_unique<GrowthWatch>(path)) {
    auto* buffer = static_cast<uint8_t*>(av_malloc(kBufferSize));
    if (!buffer)
        return;
    avio_ = avio_alloc_context(buffer, kBufferSize, 0, this, &GrowingInput::readPacket, nullptr, &GrowingInput::seek);
    if (!avio_)
        av_free(buffer);
}

GrowingInput::~GrowingInput() {
    if (avio_) {
        av_freep(&avio_->buffer);
        avio_context_free(&avio_);
    }
}

int64_t GrowingInput::storageCall(int64_t rc) {
    if (rc == AVERROR(ETIMEDOUT))
        silent_ = true;
    return rc;
}

bool GrowingInput::refreshSize() {
    const int64_t now = storageCall(reader_.size(giveUp_));
    if (now < 0)
        return false;
    if (now > size_)
        lastGrowth_ = std::chrono::steady_clock::now();
    size_ = now;
    return true;
}

bool GrowingInput::complete(bool byEndsOnly) {
    if (finished_)
        return true;
    finished_ = watch_->gone() || std::chrono::steady_clock::now() - lastGrowth_ >= kCompleteAfter ||
                (probe_ && (byEndsOnly ? probe_->finishedByItsEnds(*probeBytes_, size_)
                                       : probe_->complete(*probeBytes_, size_)));
    return finished_;
}

bool GrowingInput::growing() {
    if (finished_)
        return false;
    refreshSize();
    return !complete();
}

bool GrowingInput::growingAtOpen() {
    if (finished_)
        return false;
    refreshSize();
    return !complete(true);
}

std::optional<double> GrowingInput::endSeconds() {
    if (!probe_)
        return std::nullopt;
    return probe_->endSeconds(*probeBytes_, size_);
}

std::optional<GrownSeekPoint> GrowingInput::seekPoint(double seconds) {
    if (!probe_)
        return std::nullopt;
    return probe_->seekPoint(*probeBytes_, size_, seconds);
}

int GrowingInput::readPacket(void* opaque, uint8_t* buf, int size) {
    return static_cast<GrowingInput*>(opaque)->read(buf, size);
}

int GrowingInput::read(uint8_t* buf, int size) {
    for (;;) {
        if (givenUp())
            return AVERROR_EXIT;
        if (pos_ < size_) {
            const int64_t got =
                storageCall(reader_.readAhead(pos_, buf, std::min<int64_t>(size, size_ - pos_), giveUp_));
            if (got > 0) {
                pos_ += got;
                return int(got);
            }
            if (got < 0)
                return int(got);
            // Shorter than it was: truncated under us. What is left is all there is.
        }
        const int64_t before = size_;
        if (!refreshSize())
            return silent_ ? AVERROR(ETIMEDOUT) : AVERROR(EIO);
        if (size_ < before) {
            finished_ = true;
            reader_.forgetReadAhead();
            if (pos_ >= size_)
                return AVERROR_EOF;
            continue;
        }
        if (pos_ < size_)
            continue;
        if (!waitAtEdge_ || complete())
            return AVERROR_EOF;
        // At the edge of a file being written: wait for it to grow, giving up when told.
        const auto until = std::chrono::steady_clock::now() + kGrowthPoll;
        while (!givenUp() && std::chrono::steady_clock::now() < until && !watch_->wait(kGiveUpSlice)) {
        }
    }
}

void GrowingInput::startWaitingAtEdge() {
    waitAtEdge_ = true;
    clearReadMarks();
}

void GrowingInput::clearReadMarks() {
    avio_->eof_reached = 0;
    avio_->error = 0;
}

int64_t GrowingInput::seek(void* opaque, int64_t offset, int whence) {
    auto* self = static_cast<GrowingInput*>(opaque);
    whence &= ~AVSEEK_FORCE;
    if (whence == AVSEEK_SIZE) {
        self->refreshSize();
        return self->size_;
    }
    int64_t to = offset;
    if (whence == SEEK_CUR)
        to = self->pos_ + offset;
    else if (whence == SEEK_END)
        to = self->size_ + offset;
    else if (whence != SEEK_SET)
        return AVERROR(EINVAL);
    if (to < 0)
        return AVERROR(EINVAL);
    self->pos_ = to;
    return to;
}

} // namespace engine::ff
