#include "source/AudioMerger.h"

#include <algorithm>
#include <cmath>

namespace engine::ff {
namespace {
constexpr int kBlockFrames = 1024;
constexpr int kMaxBlockFrames = 4096;
// Timestamps closer than this to the running end are taken as contiguous (rounding, resampler delay).
constexpr int64_t kJitterFrames = AudioMerger::kSampleRate / 100;
// A gap wider than this ahead of a stream's samples is a damaged timestamp, not a stretch of missing
// sound: filling it with silence could take all memory. The samples follow on instead. (Samples from
// before the end are dropped as ever: after a seek the decoder may start well before the target.)
constexpr int64_t kMaxGapFrames = 10 * int64_t(AudioMerger::kSampleRate);

// Sample index of a position; a position out of any clip's range (or not a number) is held at the edge
// so that differences of indexes cannot overflow.
int64_t sampleIndex(double seconds) {
    constexpr double kLimit = 1e9;
    const double held = std::clamp(std::isnan(seconds) ? 0.0 : seconds, -kLimit, kLimit);
    return std::llround(held * AudioMerger::kSampleRate);
}
} // namespace

void AudioMerger::configure(std::vector<int> channelsPerStream) {
    tracks_.clear();
    totalChannels_ = 0;
    for (int ch : channelsPerStream) {
        Track t;
        t.channels = ch;
        tracks_.push_back(std::move(t));
        totalChannels_ += ch;
    }
}

void AudioMerger::reset(double position) {
    cursor_ = sampleIndex(position);
    for (auto& t : tracks_) {
        t.samples.clear();
        t.start = cursor_;
        t.ended = false;
        t.fresh = true;
    }
}

void AudioMerger::skipTo(double position) {
    cursor_ = sampleIndex(position);
    for (auto& t : tracks_) {
        if (t.start - cursor_ > kMaxGapFrames) { // a damaged position: what is buffered cannot line up
            t.samples.clear();
            t.start = cursor_;
        }
        if (t.start > cursor_) { // this stream starts later: silence until then
            t.samples.insert(t.samples.begin(), size_t((t.start - cursor_) * t.channels), 0.0f);
            t.start = cursor_;
        }
        dropBefore(t, cursor_);
    }
}

void AudioMerger::dropBefore(Track& t, int64_t index) {
    if (t.start >= index)
        return;
    const int64_t n = std::min<int64_t>(index - t.start, int64_t(t.samples.size()) / t.channels);
    t.samples.erase(t.samples.begin(), t.samples.begin() + n * t.channels);
    t.start = index;
}

void AudioMerger::push(int stream, double position, const float* samples, int frames) {
    if (stream < 0 || stream >= int(tracks_.size()) || frames <= 0)
        return;
    Track& t = tracks_[size_t(stream)];
    const int64_t end = t.end();
    int64_t at = sampleIndex(position);
    if (!std::isfinite(position) || (!t.fresh && std::llabs(at - end) <= kJitterFrames) || at - end > kMaxGapFrames)
        at = end;
    int skip = 0;
    if (at < end) { // overlap: keep what we have
        skip = int(std::min<int64_t>(end - at, frames));
        at = end;
    } else if (at > end) { // gap: silence
        t.samples.insert(t.samples.end(), size_t((at - end) * t.channels), 0.0f);
    }
    t.samples.insert(t.samples.end(), samples + size_t(skip) * size_t(t.channels),
                     samples + size_t(frames) * size_t(t.channels));
    t.fresh = t.fresh && skip == frames;
    dropBefore(t, cursor_);
}

void AudioMerger::endStream(int stream) {
    if (stream >= 0 && stream < int(tracks_.size()))
        tracks_[size_t(stream)].ended = true;
}

void AudioMerger::endAll() {
    for (auto& t : tracks_)
        t.ended = true;
}

bool AudioMerger::empty() const {
    return std::all_of(tracks_.begin(), tracks_.end(), [](const Track& t) { return t.samples.empty(); });
}

SourceAudioHandle AudioMerger::pull() {
    if (tracks_.empty())
        return nullptr;
    int64_t reach = INT64_MAX, furthest = cursor_;
    for (const auto& t : tracks_) {
        furthest = std::max(furthest, t.end());
        if (!t.ended)
            reach = std::min(reach, t.end());
    }
    const bool allEnded = reach == INT64_MAX;
    if (allEnded)
        reach = furthest;
    else
        reach = std::max(reach, furthest - kMaxLagFrames);
    int64_t n = reach - cursor_;
    if (n <= 0 || (!allEnded && n < kBlockFrames))
        return nullptr;
    n = std::min<int64_t>(n, kMaxBlockFrames);

    auto block = std::make_shared<SourceAudio>();
    block->position = double(cursor_) / kSampleRate;
    block->sampleRate = kSampleRate;
    block->channels = totalChannels_;
    block->samples.assign(size_t(n * totalChannels_), 0.0f);
    int base = 0;
    for (auto& t : tracks_) {
        dropBefore(t, cursor_);
        const int64_t have = std::min<int64_t>(n, int64_t(t.samples.size()) / t.channels);
        for (int64_t i = 0; i < have; ++i)
            for (int c = 0; c < t.channels; ++c)
                block->samples[size_t(i * totalChannels_ + base + c)] = t.samples[size_t(i * t.channels + c)];
        base += t.channels;
    }
    cursor_ += n;
    for (auto& t : tracks_)
        dropBefore(t, cursor_);
    return block;
}

} // namespace engine::ff
