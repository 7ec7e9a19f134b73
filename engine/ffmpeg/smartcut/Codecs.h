#pragma once
// Decoder and encoder plumbing shared by the parts of a cut that decode and encode again.
#include <QString>
#include <vector>

#include "core/AvPtr.h"

namespace engine::ff {

// A decoder for one stream of an open clip with `threads` threads (0: as many as the machine has); null
// and the reason when there is none.
AVCodecContextPtr openStreamDecoder(const AVStream* stream, QString& error, int threads = 0);

// Moves every packet the encoder has ready into `out`.
QString takeEncodedPackets(AVCodecContext* encoder, std::vector<AVPacketPtr>& out);

} // namespace engine::ff
