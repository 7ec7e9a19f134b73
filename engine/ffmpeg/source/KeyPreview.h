#pragma once
// Decodes the key picture a seek reads from on a decoder of its own: one thread, drained at once. The
// clip's decoder runs several pictures in flight and holds pictures back to put B pictures in order, so
// its first picture of a read comes out only once the pictures after it are decoded too; this one has
// the key picture out in one picture's decoding time, to show while the target is being decoded.
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

#include "core/AvPtr.h"

namespace engine::ff {

class KeyPreview {
  public:
    // `deliver` gets the picture and the job's tag, on this object's thread.
    using Deliver = std::function<void(AVFramePtr, uint64_t tag)>;
    // `codec`: a decoder of the clip's video, one thread.
    KeyPreview(AVCodecContextPtr codec, Deliver deliver);
    ~KeyPreview();
    KeyPreview(const KeyPreview&) = delete;
    KeyPreview& operator=(const KeyPreview&) = delete;

    // Replaces a job not started yet.
    void decode(const AVPacket& key, uint64_t tag);

  private:
    void run();
    AVFramePtr decodeOne(AVCodecContext& codec, const AVPacket& key);

    const AVCodecContextPtr codec_; // used on this object's thread only
    const Deliver deliver_;
    std::mutex m_;
    std::condition_variable wake_;
    AVPacketPtr job_; // guarded by m_
    uint64_t jobTag_ = 0;
    bool quit_ = false;
    std::thread thread_;
};

} // namespace engine::ff
