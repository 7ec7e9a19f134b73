#include "audio/TempoScaler.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include <QByteArray>
#include <QString>

extern "C" {
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavutil/channel_layout.h>
}

namespace engine::ff {

TempoScaler::TempoScaler(int channels, int sampleRate) : channels_(channels), sampleRate_(sampleRate) {}

std::vector<double> TempoScaler::stageFactors(double rate) {
    std::vector<double> factors;
    rate = std::clamp(rate, kMinRate, kMaxRate);
    while (rate > 2.0 + 1e-9) {
        factors.push_back(2.0);
        rate /= 2.0;
    }
    while (rate < 0.5 - 1e-9) {
        factors.push_back(0.5);
        rate /= 0.5;
    }
    if (std::abs(rate - 1.0) > 1e-9 || factors.empty())
        factors.push_back(rate);
    return factors;
}

bool TempoScaler::setRate(double rate) {
    rate_ = std::clamp(rate, kMinRate, kMaxRate);
    graph_.reset();
    source_ = sink_ = nullptr;
    nextPts_ = 0;
    if (std::abs(rate_ - 1.0) < 1e-9)
        return true;
    if (build())
        return true;
    graph_.reset();
    source_ = sink_ = nullptr;
    rate_ = 1.0;
    return false;
}

bool TempoScaler::build() {
    graph_.reset(avfilter_graph_alloc());
    if (!graph_)
        return false;
    graph_->nb_threads = 1;

    AVChannelLayout layout{};
    av_channel_layout_default(&layout, channels_);
    char layoutName[128] = {};
    av_channel_layout_describe(&layout, layoutName, sizeof layoutName);
    av_channel_layout_uninit(&layout);
    const QByteArray args = QStringLiteral("time_base=1/%1:sample_rate=%1:sample_fmt=flt:channel_layout=%2")
                                .arg(sampleRate_)
                                .arg(QString::fromLatin1(layoutName))
                                .toLatin1();
    if (avfilter_graph_create_filter(&source_, avfilter_get_by_name("abuffer"), "in", args.constData(),
                                     nullptr, graph_.get()) < 0)
        return false;
    if (avfilter_graph_create_filter(&sink_, avfilter_get_by_name("abuffersink"), "out", nullptr, nullptr,
                                     graph_.get()) < 0)
        return false;

    AVFilterContext* previous = source_;
    int stage = 0;
    for (double factor : stageFactors(rate_)) {
        AVFilterContext* tempo = nullptr;
        const QByteArray name = QByteArray("tempo") + QByteArray::number(stage++);
        const QByteArray tempoArgs = QByteArray::number(factor, 'f', 6);
        if (avfilter_graph_create_filter(&tempo, avfilter_get_by_name("atempo"), name.constData(),
                                         tempoArgs.constData(), nullptr, graph_.get()) < 0)
            return false;
        if (avfilter_link(previous, 0, tempo, 0) < 0)
            return false;
        previous = tempo;
    }
    // Keep the output exactly as the input: float interleaved, same layout and rate.
    AVFilterContext* format = nullptr;
    const QByteArray formatArgs = QStringLiteral("sample_fmts=flt:sample_rates=%1:channel_layouts=%2")
                                      .arg(sampleRate_)
                                      .arg(QString::fromLatin1(layoutName))
                                      .toLatin1();
    if (avfilter_graph_create_filter(&format, avfilter_get_by_name("aformat"), "format",
                                     formatArgs.constData(), nullptr, graph_.get()) < 0)
        return false;
    if (avfilter_link(previous, 0, format, 0) < 0 || avfilter_link(format, 0, sink_, 0) < 0)
        return false;
    return avfilter_graph_config(graph_.get(), nullptr) >= 0;
}

void TempoScaler::process(const float* interleaved, int frames, std::vector<float>& out) {
    if (frames <= 0)
        return;
    if (!graph_) {
        out.insert(out.end(), interleaved, interleaved + size_t(frames) * size_t(channels_));
        return;
    }
    AVFramePtr frame = makeFrame();
    frame->format = AV_SAMPLE_FMT_FLT;
    frame->sample_rate = sampleRate_;
    frame->nb_samples = frames;
    av_channel_layout_default(&frame->ch_layout, channels_);
    frame->pts = nextPts_;
    nextPts_ += frames;
    if (av_frame_get_buffer(frame.get(), 0) < 0)
        return;
    std::memcpy(frame->data[0], interleaved, size_t(frames) * size_t(channels_) * sizeof(float));
    if (av_buffersrc_add_frame_flags(source_, frame.get(), AV_BUFFERSRC_FLAG_KEEP_REF) < 0)
        return;
    collect(out);
}

void TempoScaler::flush(std::vector<float>& out) {
    if (!graph_)
        return;
    if (av_buffersrc_add_frame(source_, nullptr) >= 0)
        collect(out);
    // The graph is finished after end of stream: start a fresh one for whatever comes next.
    setRate(rate_);
}

void TempoScaler::reset() {
    setRate(rate_);
}

void TempoScaler::collect(std::vector<float>& out) {
    AVFramePtr frame = makeFrame();
    while (av_buffersink_get_frame(sink_, frame.get()) >= 0) {
        const auto* data = reinterpret_cast<const float*>(frame->data[0]);
        out.insert(out.end(), data, data + size_t(frame->nb_samples) * size_t(channels_));
        av_frame_unref(frame.get());
    }
}

} // namespace engine::ff
