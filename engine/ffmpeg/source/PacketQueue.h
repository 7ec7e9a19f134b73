#pragma once
// The demuxed packets of one stream waiting for their decoder, with how much media time and memory they
// hold. Guarded by the source's lock (SourceCore::m); the queue itself does not lock.
#include <cstdint>
#include <deque>

#include "core/AvPtr.h"

namespace engine::ff {

struct QueuedPacket {
    uint64_t serial = 0; // the demuxer's serial: packets of an older serial come from before a seek
    AVPacketPtr packet;  // null: the stream ends here
    double start = 0, end = 0; // clip seconds; equal when the packet has no timestamp
};

class PacketQueue {
  public:
    void push(QueuedPacket p);
    QueuedPacket pop();
    const QueuedPacket& front() const { return q_.front(); }
    bool empty() const { return q_.empty(); }
    // The stream ended (its end marker was queued) since the last clear.
    bool ended() const { return ended_; }
    int64_t bytes() const { return bytes_; }
    // Media time held: from the first packet's start to the furthest end.
    double seconds() const;
    void clear();

  private:
    std::deque<QueuedPacket> q_;
    int64_t bytes_ = 0;
    double furthestEnd_ = 0;
    bool ended_ = false;
};

} // namespace engine::ff
