#include "smartcut/SpanInBackground.h"

namespace engine::ff {

SpanInBackground::SpanInBackground(const SourceIndex& index, int64_t from, int64_t to, int64_t origin,
                                   int parameterSetId, int threads)
    : delay_(opened_.get_future().share()) {
    if (to <= from) {
        opened_.set_value(0);
        return;
    }
    thread_ = std::thread([this, &index, from, to, origin, parameterSetId, threads] {
        SpanOutput output;
        output.threads = threads;
        output.opened = [this](AVCodecContext* encoder) {
            opened_.set_value(encoder->has_b_frames);
            told_ = true;
            return QString();
        };
        output.packet = [this](AVPacketPtr p) {
            span_.packets.push_back(std::move(p));
            return QString();
        };
        error_ = encodeSpan(index, from, to, origin, parameterSetId, output);
        if (!told_)
            opened_.set_value(std::nullopt);
    });
}

SpanInBackground::SpanInBackground(std::function<QString(EncodedSpan&)> make, bool any,
                                   std::optional<int> delay)
    : delay_(opened_.get_future().share()) {
    if (!any || delay) {
        opened_.set_value(any ? delay : 0);
        told_ = true;
        if (!any)
            return;
    }
    thread_ = std::thread([this, make = std::move(make)] {
        error_ = make(span_);
        if (!told_)
            opened_.set_value(std::nullopt);
    });
}

SpanInBackground::~SpanInBackground() {
    if (thread_.joinable())
        thread_.join();
}

std::optional<int> SpanInBackground::delay() {
    return delay_.get();
}

QString SpanInBackground::finish(EncodedSpan& span) {
    if (thread_.joinable())
        thread_.join();
    span.packets = std::move(span_.packets);
    return error_;
}

} // namespace engine::ff
