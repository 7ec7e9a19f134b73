#pragma once
// Wakes a reader waiting at the end of a file that is still being written: as soon as the file is
// written to (inotify), or after a short poll where no notice comes (a network share written by
// another machine sends none).
#include <QString>
#include <chrono>

namespace engine::ff {

class GrowthWatch {
  public:
    explicit GrowthWatch(const QString& path);
    ~GrowthWatch();
    GrowthWatch(const GrowthWatch&) = delete;
    GrowthWatch& operator=(const GrowthWatch&) = delete;

    // Waits at most `upTo` for the file to be written to; true when it was written, moved or deleted.
    bool wait(std::chrono::milliseconds upTo);
    // The file was moved away or deleted since the watch began: its name no longer leads to it.
    bool gone() const { return gone_; }

  private:
    int fd_ = -1;
    bool gone_ = false;
};

} // namespace engine::ff
