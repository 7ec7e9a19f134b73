#pragma once
// A span re-encoded on a thread of its own, its packets kept. How far its encoder reorders pictures is
// known as soon as the encoder is open, so that writing what comes before the span need not wait for it.
#include <QString>
#include <functional>
#include <future>
#include <optional>
#include <thread>

#include "smartcut/SpanEncoder.h"

namespace engine::ff {

class SpanInBackground {
  public:
    // As encodeSpan; nothing is done for an empty span.
    SpanInBackground(const SourceIndex& index, int64_t from, int64_t to, int64_t origin, int parameterSetId,
                     int threads);
    // A span `make` encodes into the span it is given (when `any`), its encoder's delay `delay` when known
    // beforehand, else not told before the end.
    SpanInBackground(std::function<QString(EncodedSpan&)> make, bool any,
                     std::optional<int> delay = std::nullopt);
    ~SpanInBackground(); // waits for the encoding
    SpanInBackground(const SpanInBackground&) = delete;
    SpanInBackground& operator=(const SpanInBackground&) = delete;

    // How many pictures the encoder holds back before its first packet (its has_b_frames), once it is
    // open; 0 for an empty span, nothing when the encoding failed before that.
    std::optional<int> delay();
    // Waits for the end: the reason the encoding failed, or empty with the packets moved into `span`.
    QString finish(EncodedSpan& span);

  private:
    EncodedSpan span_;
    QString error_;
    std::promise<std::optional<int>> opened_;
    std::shared_future<std::optional<int>> delay_;
    bool told_ = false; // opened_ has its value (set before the encoding thread starts, or on it)
    std::thread thread_;
};

} // namespace engine::ff
