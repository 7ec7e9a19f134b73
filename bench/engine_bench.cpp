// Figures of the file source and preview renderer, through the engine's own objects: a file source, a
// real preview renderer presenting on a surface that records each picture's frame code and time, and
// a sound device that plays in real time and records when each sample was played.
// Usage: engine_bench <mode> <clip> ...
//   avsync <clip>                 av_offset_p95_ms (and per case) on a clip with the flash and the beep
//   play <clip> <seconds>         prints the frames of the first <seconds> never shown at 1x, sound on
//   cpu <clip> <seconds>          prints the CPU seconds of playing <seconds> at 1x, sound on
//   decode <clip> <figure>        frames per second through the source at unlimited speed
//   fast <clip> <suffix>          play_8x_position_ratio_<suffix>, play_8x_pictures_per_s_<suffix>
//   seek <clip> <frame s> <targets> [warm-up] exact seeks to listed frames, steps, tick queries (raw)
//   scrub <clip> <frame s> <gop>  a drag over the position bar: first picture of each GOP, exact after rest
//   load <fraction>               keeps one core busy that fraction of the time until killed
#include <QApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <atomic>
#include <csignal>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <random>
#include <set>
#include <sys/resource.h>
#include <thread>

#include "LipSync.h"
#include "PlayoutDevice.h"
#include "TimedSurface.h"
#include "core/EngineObject.h"
#include "core/MediaSink.h"
#include "engine_ffmpeg/FfmpegEngine.h"
#include "render/PreviewRenderer.h"
#include "samples/SampleClips.h"

extern "C" {
#include <libavutil/log.h>
}

using namespace engine;
using bench::now;

namespace {

constexpr QSize kPreviewSize{640, 360};

void sleepFor(double seconds) {
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

void figure(const char* name, double value, const char* unit) {
    std::printf("FIGURE %s %.3f %s\n", name, value, unit);
    std::fflush(stdout);
}

double percentile(std::vector<double> v, double p) {
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, size_t(p * double(v.size() - 1) + 0.5))];
}

double cpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// A file source shown by a real preview renderer on a timed surface, its sound on a playout device.
struct Rig {
    // Reads wait here while held, as on storage that stops answering.
    std::mutex gateMutex;
    std::condition_variable gateOpen;
    bool readsHeld = false;
    double readDelay = 0; // every read takes this long, as on a slow share
    std::unique_ptr<IEngineFactory> factory = ff::makeFfmpegEngine(ff::gateReads([this](const QString&) {
        std::unique_lock lk(gateMutex);
        gateOpen.wait(lk, [this] { return !readsHeld; });
        const double delay = readDelay;
        lk.unlock();
        if (delay > 0)
            sleepFor(delay);
    }));
    MRef<IMFile> source = create<IMFile>(*factory, CLSID_FileSource);
    bench::PlayoutDevice* device = nullptr;
    MRef<IMPreview> preview;
    bench::TimedSurface surface;

    explicit Rig(bool readPictures) : surface(kPreviewSize, readPictures) {
        preview = query<IMPreview>(ff::makeObject<ff::PreviewRenderer>([this] {
            auto d = std::make_unique<bench::PlayoutDevice>();
            device = d.get();
            return d;
        }));
        preview->SetWindow({}, &surface);
        query<IMObject>(preview)->StartFrom(query<IMObject>(source).get());
    }
    ~Rig() {
        query<IMObject>(preview)->CloseObject();
        query<IMObject>(source)->CloseObject();
    }
    int state() {
        int s = 0;
        query<IMObject>(source)->GetState(s);
        return s;
    }
    double position() {
        double p = 0;
        source->GetPosition(p);
        return p;
    }
    double duration() {
        double in = 0, out = 0, d = 0;
        source->GetInOut(in, out, d);
        return d;
    }
    void holdReads(bool held) {
        std::lock_guard lk(gateMutex);
        readsHeld = held;
        gateOpen.notify_all();
    }
    // Opens the clip and waits until it is open (its duration known); false on failure.
    bool open(const QString& clip) {
        query<IMProps>(source)->SetProp("eof_stop", "true");
        source->OpenName(clip, "");
        const double deadline = now() + 20;
        while (now() < deadline && state() != 0 && duration() <= 0)
            sleepFor(0.01);
        if (duration() <= 0)
            std::fprintf(stderr, "engine_bench: cannot open %s\n", qPrintable(clip));
        return duration() > 0;
    }
    // Opens the clip for 1x play of its first `seconds`, sound on; false when it does not open.
    bool openRange(const QString& clip, double seconds) {
        if (!open(clip))
            return false;
        source->SetInOut(0, seconds);
        preview->EnableOutput({}, 1, 1);
        return true;
    }
    // Plays until the source leaves the running state or `seconds` of wall time pass.
    void playFor(double seconds) {
        source->PlayFile();
        const double end = now() + seconds;
        while (now() < end && state() == 3)
            sleepFor(0.01);
    }
};

int timecodeRateOf(const QString& clip) {
    return clip.endsWith(".mp4") ? 30 : 25; // the reference inputs: h264 at 29.97, the others at 25
}

// Picture against sound in the cases an operator meets; flashes that bring no beep count as a second.
int avsync(const QString& clip) {
    Rig rig(true);
    // Left and right carry the two beep tracks alone.
    query<IMProps>(rig.source)
        ->SetProp("object::audio_channels", "0,1,-1,-1,-1,-1,-1,-1,-1,-1,-1,-1,-1,-1,-1,-1");
    if (!rig.open(clip))
        return 1;
    rig.preview->EnableOutput({}, 1, 1);
    struct Case {
        const char* figure;
        double from, to;
    };
    std::vector<Case> cases;
    rig.source->PlayFile();
    const double start = now();
    sleepFor(12);
    cases.push_back({"av_offset_p95_ms_steady", start + 2, now()});

    rig.source->PauseFile(0);
    sleepFor(1);
    rig.source->PlayFile();
    const double resumed = now();
    sleepFor(4);
    cases.push_back({"av_offset_p95_ms_resume", resumed, resumed + 3});

    rig.preview->EnableOutput({}, 0, 1);
    sleepFor(2);
    rig.preview->EnableOutput({}, 1, 1);
    const double enabled = now();
    sleepFor(4);
    cases.push_back({"av_offset_p95_ms_enable", enabled, enabled + 3});

    // Reads held until what was read ahead has played out, then 2 s more.
    rig.holdReads(true);
    for (double last = -1, deadline = now() + 15; now() < deadline && rig.position() != last;) {
        last = rig.position();
        sleepFor(0.3);
    }
    sleepFor(2);
    rig.holdReads(false);
    const double released = now();
    sleepFor(5);
    cases.push_back({"av_offset_p95_ms_stall", released, released + 4});
    rig.source->PauseFile(0);

    const auto shown = rig.surface.shown();
    const auto beeps = rig.device->beepTimes();
    bench::LipSync all;
    for (const Case& c : cases) {
        const bench::LipSync sync = bench::measureLipSync(shown, beeps, timecodeRateOf(clip), c.from, c.to);
        std::fprintf(stderr, "%s: %zu flashes with their beep (median %+.1f ms), %d without\n", c.figure,
                     sync.offsetsMs.size(), percentile(sync.offsetsMs, 0.5), sync.unmatched);
        figure(c.figure, bench::offsetPercentileMs(sync, 0.95), "ms");
        all.offsetsMs.insert(all.offsetsMs.end(), sync.offsetsMs.begin(), sync.offsetsMs.end());
        all.unmatched += sync.unmatched;
    }
    figure("av_offset_p95_ms", bench::offsetPercentileMs(all, 0.95), "ms");
    return 0;
}

// Frames of the first `seconds` that never reached the surface while playing at 1x with sound on;
// every read taking `readDelay` seconds.
int play(const QString& clip, double seconds, double readDelay = 0) {
    Rig rig(true);
    rig.readDelay = readDelay;
    if (!rig.openRange(clip, seconds))
        return 1;
    rig.playFor(seconds + 10);
    std::set<int64_t> frames;
    for (const auto& s : rig.surface.shown())
        frames.insert(s.frame);
    const auto expected = int64_t(std::llround(seconds * (timecodeRateOf(clip) == 30 ? 30000.0 / 1001 : 25)));
    int64_t missing = 0;
    for (int64_t n = 0; n < expected; ++n)
        missing += !frames.count(n);
    std::printf("%lld\n", static_cast<long long>(missing));
    return 0;
}

// CPU seconds this process spends playing the first `seconds` at 1x with sound on.
int cpu(const QString& clip, double seconds) {
    Rig rig(false);
    if (!rig.openRange(clip, seconds))
        return 1;
    const double before = cpuSeconds();
    rig.playFor(seconds + 10);
    std::printf("%.3f\n", cpuSeconds() - before);
    return 0;
}

// Counts the frames a source presents to a sink that sets the pace, so the source runs unthrottled.
class PacingCounter : public ff::IMediaSink {
  public:
    void onVideo(const ff::FrameHandle&) override {
        std::lock_guard lk(m_);
        ++count_;
    }
    void onAudio(const ff::AudioHandle&) override {}
    void onSourceState(int, bool) override {}
    bool pacesSource() const override { return true; }
    int64_t count() {
        std::lock_guard lk(m_);
        return count_;
    }

  private:
    std::mutex m_;
    int64_t count_ = 0;
};

MRef<ff::ISourceHub> hubOf(const MRef<IMFile>& source) {
    return MRef<ff::ISourceHub>::adopt(
        static_cast<ff::ISourceHub*>(source->QueryInterface(ff::ISourceHub::IID)));
}

int decode(const QString& clip, const char* name) {
    Rig rig(false);
    if (!rig.open(clip))
        return 1;
    PacingCounter counter;
    const MRef<ff::ISourceHub> hub = hubOf(rig.source);
    hub->addSink(&counter);
    const int64_t first = counter.count();
    const double start = now();
    rig.playFor(600);
    const double seconds = now() - start;
    hub->removeSink(&counter);
    figure(name, double(counter.count() - first) / seconds, "fps");
    return 0;
}

// 8x: how fast the position moves against the wall clock, and how many different pictures are shown.
int fast(const QString& clip, const QString& suffix) {
    Rig rig(true);
    if (!rig.open(clip))
        return 1;
    rig.source->SetPosition(2, 0);
    rig.source->SetRate(8);
    rig.source->PlayFile();
    sleepFor(0.5);
    const double t0 = now(), p0 = rig.position();
    sleepFor(5);
    const double t1 = now(), p1 = rig.position();
    rig.source->PauseFile(0);
    std::set<int64_t> pictures;
    for (const auto& s : rig.surface.shown())
        if (s.time >= t0 && s.time < t1 && s.frame >= 0)
            pictures.insert(s.frame);
    figure(qPrintable("play_8x_position_ratio_" + suffix), (p1 - p0) / (t1 - t0) / 8, "ratio");
    figure(qPrintable("play_8x_pictures_per_s_" + suffix), double(pictures.size()) / (t1 - t0), "pictures/s");
    return 0;
}

// Exact seeks to the frames listed in `targets` (one frame index a line; the first `warmUp` are not
// counted), steps back and forward, and the tick's queries, on a paused and then playing source; prints
// "name milliseconds" lines for bench/seek.bench.sh to set beside the reference player's, and for each
// seek counted "decoded <frame> <pictures the decoder put out for it>".
int seek(const QString& clip, double frame, const QString& targets, int warmUp) {
    Rig rig(true);
    if (!rig.open(clip))
        return 1;
    QFile list(targets);
    if (!list.open(QIODevice::ReadOnly | QIODevice::Text))
        return 1;
    // From `since` to when frame k was presented (the frame code is read after that, off the clock).
    auto shows = [&](int64_t k, double since) {
        const double at = rig.surface.waitFor([&](const auto& s) { return s.time >= since && s.frame == k; }, since + 10);
        return at < 0 ? -1.0 : at - since;
    };
    auto decoded = [&] {
        QString value;
        query<IMProps>(rig.source)->GetProp("pictures_decoded", value);
        return value.toLongLong();
    };
    std::vector<double> times;
    // A seek's pictures are counted up to the next seek: a picture shown before a reference the decoder
    // puts out after it (B pictures) has been decoded by then.
    std::vector<int64_t> decodedBefore;          // at each seek, and after the last one
    std::vector<std::pair<size_t, int64_t>> counted; // seek, frame
    int missed = 0;
    for (const QByteArray& line : list.readAll().split('\n')) {
        if (line.trimmed().isEmpty())
            continue;
        const int64_t k = line.trimmed().toLongLong();
        decodedBefore.push_back(decoded());
        const double t = now();
        rig.source->SetPosition((double(k) + 0.5) * frame, 0);
        const double took = shows(k, t);
        if (warmUp > 0) {
            --warmUp;
        } else if (took >= 0) {
            times.push_back(took * 1000);
            counted.emplace_back(decodedBefore.size() - 1, k);
        } else {
            ++missed;
            std::fprintf(stderr, "engine_bench: frame %lld never shown\n", static_cast<long long>(k));
        }
    }
    sleepFor(0.05);
    decodedBefore.push_back(decoded());
    for (const auto& [i, k] : counted)
        std::printf("decoded %lld %lld\n", static_cast<long long>(k),
                    static_cast<long long>(decodedBefore[i + 1] - decodedBefore[i]));
    if (missed)
        std::fprintf(stderr, "engine_bench: %d seeks never showed their frame\n", missed);
    std::printf("seek_exact_p50 %.3f\nseek_exact_p95 %.3f\n", percentile(times, 0.5), percentile(times, 0.95));

    // Steps either way around a mid-GOP pause.
    const auto frames = int64_t(rig.duration() / frame);
    for (int direction : {-1, 1}) {
        std::vector<double> steps;
        int64_t k = frames / 2 + 45;
        rig.source->SetPosition((double(k) + 0.5) * frame, 0);
        shows(k, now());
        sleepFor(0.5); // the pause's neighbourhood is decoded meanwhile
        for (int i = 0; i < 10; ++i) {
            const double t = now();
            k += direction;
            rig.source->SetPosition((double(k) + 0.5) * frame, 0);
            if (const double took = shows(k, t); took >= 0)
                steps.push_back(took * 1000);
        }
        std::printf("%s %.3f\n", direction < 0 ? "step_back" : "step_forward", percentile(steps, 0.5));
    }

    rig.source->PlayFile();
    std::vector<double> ticks;
    for (int i = 0; i < 200; ++i) {
        const double t = now();
        double a = 0, b = 0, c = 0, p = 0;
        int s = 0;
        rig.source->GetInOut(a, b, c);
        rig.source->GetPosition(p);
        query<IMObject>(rig.source)->GetState(s);
        ticks.push_back((now() - t) * 1e6);
        sleepFor(0.002);
    }
    std::printf("tick_queries_us %.3f\n", percentile(ticks, 0.5));
    return 0;
}

// A drag over the position bar: runs of positions 30 ms apart, each run resting at its last one. For each
// position, the time to the first picture shown at or less than a GOP (`gop` frames) before it (1 s when
// none came); for each rest, the time to the exact frame. Prints "scrub_first_picture_p95" and "scrub_exact_after_rest_p95" (ms).
int scrub(const QString& clip, double frame, int gop) {
    Rig rig(true);
    if (!rig.open(clip))
        return 1;
    rig.source->PauseFile(0);
    const auto frames = int64_t(rig.duration() / frame);
    auto firstShown = [&](double since, double until, const std::function<bool(int64_t)>& wanted) {
        const double at = rig.surface.waitFor([&](const auto& s) { return s.time >= since && wanted(s.frame); }, until);
        return at < 0 ? -1.0 : at - since;
    };
    firstShown(0, now() + 10, [](int64_t c) { return c == 0; }); // the first picture, before dragging
    std::mt19937 rng(4321);
    std::vector<double> first, exact;
    for (int drag = 0; drag < 10; ++drag) {
        std::vector<std::pair<double, int64_t>> asked; // when, which frame
        int64_t k = std::uniform_int_distribution<int64_t>(0, frames / 2)(rng);
        for (int step = 0; step < 15; ++step, k += 11) {
            const double t = now();
            rig.source->SetPosition((double(k) + 0.5) * frame, 0);
            asked.emplace_back(t, k);
            while (now() < t + 0.03)
                sleepFor(0.001);
        }
        const auto [rest, last] = asked.back();
        if (const double took = firstShown(rest, rest + 10, [&](int64_t c) { return c == last; }); took >= 0)
            exact.push_back(took * 1000);
        // The nearest picture decoded already, or the key picture of the position's GOP, whenever it came.
        const auto shown = rig.surface.shown();
        for (const auto& [t, asking] : asked) {
            auto near = [&](int64_t frame) { return frame > asking - gop && frame <= asking; };
            // A picture on screen already that is near enough counts at once (it is not drawn again).
            const auto onScreen = std::find_if(shown.rbegin(), shown.rend(), [&](const auto& s) { return s.time < t; });
            double took = onScreen != shown.rend() && near(onScreen->frame) ? 0.0 : 1.0;
            for (const auto& s : shown)
                if (took > 0 && s.time >= t && near(s.frame)) {
                    took = s.time - t;
                    break;
                }
            first.push_back(took * 1000);
        }
    }
    std::printf("scrub_first_picture_p50 %.3f\nscrub_first_picture_p95 %.3f\nscrub_exact_after_rest_p95 %.3f\n",
                percentile(first, 0.5), percentile(first, 0.95), percentile(exact, 0.95));
    return 0;
}

// Busy for `fraction` of every 20 ms, forever: the light load beside a playback run.
[[noreturn]] void load(double fraction) {
    for (;;) {
        const double busyUntil = now() + 0.02 * fraction;
        while (now() < busyUntil) {
        }
        sleepFor(0.02 * (1 - fraction));
    }
}

} // namespace

std::atomic<int> decodeErrors{0};
void countErrors(void*, int level, const char*, va_list) {
    if (level <= AV_LOG_ERROR)
        ++decodeErrors;
}

// How far behind the writer the picture shown stays while playing at the live edge of a recording
// the sample tool writes in real time: the writer's media time (wall time since its file started)
// less the position shown, the worst over `seconds` once the edge is reached. Also prints FFmpeg's
// error count over the run.
int liveEdge(const QString& tool, const QString& format, double seconds) {
    QTemporaryDir dir;
    QProcess writer;
    writer.start(tool, {"live", dir.path(), "--format", format});
    QString file;
    while (file.isEmpty() && writer.waitForReadyRead(60'000)) {
        const QString line = QString::fromUtf8(writer.readLine()).trimmed();
        if (line.startsWith("started "))
            file = line.mid(8);
    }
    const double started = now();
    auto stop = [&] {
        ::kill(pid_t(writer.processId()), SIGTERM);
        writer.waitForFinished(30'000);
    };
    if (file.isEmpty()) {
        stop();
        return 1;
    }
    av_log_set_callback(countErrors);
    sleepFor(4);
    double worst = 0;
    {
        Rig rig(true);
        if (!rig.open(file)) {
            stop();
            return 1;
        }
        // Playing from the live edge, as an operator who opens a recording under way and goes to its end.
        rig.source->SetPosition(rig.duration(), 0);
        rig.source->PlayFile();
        const double edgeBy = now() + 20;
        while (now() < edgeBy && (now() - started) - rig.position() > 1.5)
            sleepFor(0.05);
        const double end = now() + seconds;
        while (now() < end) {
            worst = std::max(worst, (now() - started) - rig.position());
            sleepFor(0.05);
        }
    }
    stop();
    av_log_set_callback(av_log_default_callback);
    std::printf("%.3f %d\n", worst, decodeErrors.load());
    return 0;
}

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QString mode = args.value(1);
    if (mode == "load" && args.size() == 3)
        load(args[2].toDouble());
    if (mode == "avsync" && args.size() == 3)
        return avsync(args[2]);
    if (mode == "play" && args.size() == 4)
        return play(args[2], args[3].toDouble());
    if (mode == "slowplay" && args.size() == 5)
        return play(args[2], args[3].toDouble(), args[4].toDouble());
    if (mode == "live" && args.size() == 5)
        return liveEdge(args[2], args[3], args[4].toDouble());
    if (mode == "cpu" && args.size() == 4)
        return cpu(args[2], args[3].toDouble());
    if (mode == "decode" && args.size() == 4)
        return decode(args[2], argv[3]);
    if (mode == "fast" && args.size() == 4)
        return fast(args[2], args[3]);
    if (mode == "scrub" && args.size() == 5)
        return scrub(args[2], args[3].toDouble(), args[4].toInt());
    if (mode == "seek" && (args.size() == 5 || args.size() == 6))
        return seek(args[2], args[3].toDouble(), args[4], args.size() == 6 ? args[5].toInt() : 0);
    std::fprintf(stderr, "usage: engine_bench avsync|play|slowplay|live|cpu|decode|fast|seek|load ...\n");
    return 2;
}
