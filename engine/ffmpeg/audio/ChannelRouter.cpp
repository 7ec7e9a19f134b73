#include "audio/ChannelRouter.h"

#include <algorithm>
#include <limits>

namespace engine::ff {

ChannelRouter::ChannelRouter(std::vector<int> channelsPerStream) : map_(identityChannelMap()) {
    setStreams(std::move(channelsPerStream));
}

bool ChannelRouter::setMap(const QString& text) {
    const auto parsed = parseChannelMap(text);
    if (parsed)
        setMap(*parsed);
    return parsed.has_value();
}

void ChannelRouter::setMap(const ChannelMap& map) {
    std::lock_guard lock(mapMutex_);
    map_ = map;
}

ChannelMap ChannelRouter::map() const {
    std::lock_guard lock(mapMutex_);
    return map_;
}

void ChannelRouter::setStreams(std::vector<int> channelsPerStream) {
    streams_.clear();
    streams_.resize(channelsPerStream.size());
    for (size_t s = 0; s < channelsPerStream.size(); ++s) {
        streams_[s].channels = std::max(channelsPerStream[s], 0);
        streams_[s].resampler = std::make_unique<StreamResampler>(kOutputRate);
    }
}

void ChannelRouter::push(int stream, const AVFrame& frame) {
    if (stream < 0 || size_t(stream) >= streams_.size())
        return;
    Stream& st = streams_[size_t(stream)];
    std::vector<std::vector<float>> converted;
    if (st.resampler->convert(frame, converted))
        append(st, converted);
}

int ChannelRouter::available() const {
    size_t least = std::numeric_limits<size_t>::max();
    size_t most = 0;
    for (const Stream& st : streams_) {
        if (st.channels <= 0)
            continue;
        least = std::min(least, st.queued());
        most = std::max(most, st.queued());
    }
    if (most == 0)
        return 0;
    // A stream that stops delivering (sparse or broken track) must not hold the others back for
    // ever: beyond kMaxLagFrames it is played as silence.
    return int(std::max(least, most > size_t(kMaxLagFrames) ? most - size_t(kMaxLagFrames) : 0));
}

int ChannelRouter::pull(int maxFrames, std::vector<float>& out) {
    return route(size_t(std::clamp(available(), 0, std::max(maxFrames, 0))), out);
}

int ChannelRouter::drain(std::vector<float>& out) {
    size_t most = 0;
    for (Stream& st : streams_) {
        if (st.channels > 0) {
            std::vector<std::vector<float>> tail;
            st.resampler->flush(tail);
            append(st, tail);
        }
        most = std::max(most, st.queued());
    }
    return route(most, out);
}

void ChannelRouter::append(Stream& st, const std::vector<std::vector<float>>& converted) {
    if (converted.empty())
        return;
    const size_t frames = converted[0].size();
    st.planes.resize(size_t(st.channels));
    for (size_t c = 0; c < st.planes.size(); ++c) {
        auto& plane = st.planes[c];
        if (c < converted.size())
            plane.insert(plane.end(), converted[c].begin(), converted[c].end());
        else
            plane.resize(plane.size() + frames, 0.f);
    }
}

int ChannelRouter::route(size_t frames, std::vector<float>& out) {
    out.assign(frames * kRoutedChannels, 0.f);
    if (frames == 0)
        return 0;

    // Where each source channel lives: (stream, channel within it).
    struct Source {
        const Stream* stream;
        size_t channel;
    };
    std::vector<Source> sources;
    for (const Stream& st : streams_)
        for (int c = 0; c < st.channels; ++c)
            sources.push_back({&st, size_t(c)});

    const ChannelMap map = this->map();
    for (int k = 0; k < kRoutedChannels; ++k) {
        const int src = map[size_t(k)];
        if (src < 0 || size_t(src) >= sources.size())
            continue;
        const Stream& st = *sources[size_t(src)].stream;
        if (st.planes.empty())
            continue;
        const auto& plane = st.planes[sources[size_t(src)].channel];
        const size_t have = std::min(frames, plane.size() - st.consumed);
        for (size_t f = 0; f < have; ++f)
            out[f * kRoutedChannels + size_t(k)] = plane[st.consumed + f];
    }

    for (Stream& st : streams_) {
        st.consumed = std::min(st.consumed + frames, st.planes.empty() ? 0 : st.planes[0].size());
        // Compact once the routed part dominates, keeping the copy cost linear overall.
        if (!st.planes.empty() && st.consumed > 4096 && st.consumed * 2 > st.planes[0].size()) {
            for (auto& plane : st.planes)
                plane.erase(plane.begin(), plane.begin() + std::ptrdiff_t(st.consumed));
            st.consumed = 0;
        }
    }
    return int(frames);
}

void ChannelRouter::reset() {
    for (Stream& st : streams_) {
        st.planes.clear();
        st.consumed = 0;
        st.resampler->reset();
    }
}

} // namespace engine::ff
