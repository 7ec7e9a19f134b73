// Figures of the file source and preview: decoding speed, exact seeks, stepping back, the timer tick's
// queries, and 1x playback of a 1080i MXF with 16 PCM tracks. Usage: engine_bench <mode> <clip>
//   decode <figure>: frames per second through the source at unlimited speed with a dropping preview
//   seek: seek_exact_p50_ms, seek_exact_p95_ms, step_back_ms, tick_queries_us
//   play: play_1x_dropped_frames, play_1x_cpu_percent
//   make <h264|mpeg2> <path>: writes the benchmark clip
#include <QApplication>
#include <QImage>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <random>
#include <sys/resource.h>
#include <thread>

#include "core/MediaSink.h"
#include "engine/VideoSurface.h"
#include "engine_ffmpeg/FfmpegEngine.h"
#include "samples/SampleClips.h"

using namespace engine;
using Clock = std::chrono::steady_clock;

namespace {
double msSince(Clock::time_point t) {
    return std::chrono::duration<double, std::milli>(Clock::now() - t).count();
}

class NullSurface : public IVideoSurface {
  public:
    QSize surfaceSize() const override { return {960, 540}; }
    void presentImage(const QImage&) override {}
};

// Records the frames the source presents; with pacing it makes the source run unthrottled.
class Watch : public ff::IMediaSink {
  public:
    explicit Watch(bool paces) : paces_(paces) {}
    void onVideo(const ff::FrameHandle& f) override {
        std::lock_guard lk(m_);
        if (last_ >= 0 && f->index > last_ + 1)
            skipped_ += f->index - last_ - 1;
        last_ = f->index;
        ++count_;
        cv_.notify_all();
    }
    void onAudio(const ff::AudioHandle&) override {}
    void onSourceState(int state, bool) override {
        std::lock_guard lk(m_);
        state_ = state;
        cv_.notify_all();
    }
    bool pacesSource() const override { return paces_; }
    bool waitIndex(int64_t index) {
        std::unique_lock lk(m_);
        return cv_.wait_for(lk, std::chrono::seconds(10), [&] { return last_ == index; });
    }
    int64_t count() {
        std::lock_guard lk(m_);
        return count_;
    }
    int64_t skipped() {
        std::lock_guard lk(m_);
        return skipped_;
    }
    void reset() {
        std::lock_guard lk(m_);
        last_ = -1;
        count_ = skipped_ = 0;
    }

  private:
    bool paces_;
    std::mutex m_;
    std::condition_variable cv_;
    int64_t last_ = -1, count_ = 0, skipped_ = 0;
    int state_ = 0;
};

struct Rig {
    std::unique_ptr<IEngineFactory> factory = ff::makeFfmpegEngine();
    MRef<IMFile> source = create<IMFile>(*factory, CLSID_FileSource);
    MRef<IMPreview> preview = create<IMPreview>(*factory, CLSID_PreviewRenderer);
    NullSurface surface;
    MRef<ff::ISourceHub> hub;
    Rig() {
        preview->SetWindow({}, &surface);
        query<IMObject>(preview)->StartFrom(query<IMObject>(source).get());
        hub = MRef<ff::ISourceHub>::adopt(
            static_cast<ff::ISourceHub*>(source->QueryInterface(ff::ISourceHub::IID)));
    }
    int state() {
        int s = 0;
        query<IMObject>(source)->GetState(s);
        return s;
    }
};

void figure(const char* name, double value, const char* unit) {
    std::printf("FIGURE %s %.3f %s\n", name, value, unit);
}

double percentile(std::vector<double> v, double p) {
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, size_t(p * double(v.size() - 1) + 0.5))];
}

int decode(const QString& clip, const char* name) {
    Rig rig;
    Watch watch(true);
    rig.source->OpenName(clip, "");
    query<IMProps>(rig.source)->SetProp("eof_stop", "true");
    rig.hub->addSink(&watch);
    watch.reset();
    const auto start = Clock::now();
    rig.source->PlayFile();
    while (rig.state() == 3)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    const double seconds = msSince(start) / 1000;
    rig.hub->removeSink(&watch);
    figure(name, double(watch.count()) / seconds, "fps");
    return 0;
}

int seek(const QString& clip) {
    Rig rig;
    Watch watch(false);
    rig.source->OpenName(clip, "");
    rig.hub->addSink(&watch);
    double in = 0, out = 0, duration = 0;
    rig.source->GetInOut(in, out, duration);
    const double frame = 1001.0 / 30000;
    const int64_t frames = int64_t(duration / frame);
    std::mt19937 rng(1234);
    std::vector<double> times;
    for (int i = 0; i < 50; ++i) {
        const int64_t k = std::uniform_int_distribution<int64_t>(0, frames - 1)(rng);
        const auto t = Clock::now();
        rig.source->SetPosition((double(k) + 0.5) * frame, 0);
        if (watch.waitIndex(k))
            times.push_back(msSince(t));
    }
    figure("seek_exact_p50_ms", percentile(times, 0.5), "ms");
    figure("seek_exact_p95_ms", percentile(times, 0.95), "ms");

    std::vector<double> steps;
    int64_t k = frames / 2 + 45; // mid-GOP
    rig.source->SetPosition((double(k) + 0.5) * frame, 0);
    watch.waitIndex(k);
    for (int i = 0; i < 10; ++i) {
        double pos = 0;
        rig.source->GetPosition(pos);
        const auto t = Clock::now();
        rig.source->SetPosition(pos - 1.0 / 30, 0);
        if (watch.waitIndex(--k))
            steps.push_back(msSince(t));
    }
    figure("step_back_ms", percentile(steps, 0.5), "ms");

    rig.source->PlayFile();
    std::vector<double> ticks;
    for (int i = 0; i < 200; ++i) {
        const auto t = Clock::now();
        double a = 0, b = 0, c = 0, p = 0;
        int s = 0;
        rig.source->GetInOut(a, b, c);
        rig.source->GetPosition(p);
        query<IMObject>(rig.source)->GetState(s);
        ticks.push_back(msSince(t) * 1000);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    figure("tick_queries_us", percentile(ticks, 0.5), "us");
    rig.hub->removeSink(&watch);
    return 0;
}

double cpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

int play(const QString& clip) {
    Rig rig;
    Watch watch(false);
    rig.source->OpenName(clip, "");
    query<IMProps>(rig.source)->SetProp("eof_stop", "true");
    rig.preview->EnableOutput({}, 1, 1);
    rig.hub->addSink(&watch);
    watch.reset();
    const double cpu0 = cpuSeconds();
    const auto start = Clock::now();
    rig.source->PlayFile();
    while (rig.state() == 3)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    const double wall = msSince(start) / 1000;
    rig.hub->removeSink(&watch);
    figure("play_1x_dropped_frames", double(watch.skipped()), "frames");
    figure("play_1x_cpu_percent", 100 * (cpuSeconds() - cpu0) / wall, "%");
    return 0;
}

int make(const QString& kind, const QString& path) {
    samples::ClipRecipe s;
    s.path = path;
    s.width = 1920;
    s.height = 1080;
    if (kind == "h264") {
        s.frames = 300;
        s.gopLength = 120;
        s.bFrames = 2;
    } else {
        s.videoCodec = "mpeg2video";
        s.interlaced = true;
        s.frames = 600;
        s.gopLength = 15;
        s.audioCodec = "pcm_s24le";
        s.audioTracks = 16;
        s.channelsPerTrack = 1;
    }
    samples::writeSampleClip(s);
    return 0;
}
} // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() >= 4 && args[1] == "make")
        return make(args[2], args[3]);
    if (args.size() >= 4 && args[1] == "decode")
        return decode(args[2], argv[3]);
    if (args.size() >= 3 && args[1] == "seek")
        return seek(args[2]);
    if (args.size() >= 3 && args[1] == "play")
        return play(args[2]);
    std::fprintf(stderr, "usage: engine_bench make|decode|seek|play ...\n");
    return 2;
}
