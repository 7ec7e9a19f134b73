#include "source/PacketQueue.h"

#include <algorithm>

namespace engine::ff {

void PacketQueue::push(QueuedPacket p) {
    if (!p.packet)
        ended_ = true;
    else
        bytes_ += p.packet->size;
    furthestEnd_ = q_.empty() ? p.end : std::max(furthestEnd_, p.end);
    q_.push_back(std::move(p));
}

QueuedPacket PacketQueue::pop() {
    QueuedPacket p = std::move(q_.front());
    q_.pop_front();
    if (p.packet)
        bytes_ -= p.packet->size;
    return p;
}

double PacketQueue::seconds() const {
    if (q_.empty())
        return 0;
    return std::max(0.0, furthestEnd_ - q_.front().start);
}

void PacketQueue::clear() {
    q_.clear();
    bytes_ = 0;
    furthestEnd_ = 0;
    ended_ = false;
}

} // namespace engine::ff
