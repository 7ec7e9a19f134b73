// veltra-make-samples: sample recordings and benchmark inputs.
//   veltra-make-samples ROOT [--date yyyy-mm-dd] [--small]
//       two days of sample recordings under ROOT, in the dated folder layout the player lists: the
//       given day (default today) with the featured clips, and the day before
//   veltra-make-samples input NAME SECONDS FILE [--small]
//       one reference input (xdcam, xdcam_closed, h264, h264i) of the given length
//   veltra-make-samples recipe NAME SECONDS [--small]
//       prints what decides that input's file (the key a cache of encoded inputs uses)
//   veltra-make-samples live DIR --format mxf|ts|mp4 [--file-minutes N] [--keep M] [--name PREFIX]
//                            [--segment-seconds S] [--small]
//       a recording written into the existing folder DIR in real time until SIGINT or SIGTERM, a new file
//       every N minutes (default 10), the newest M (default 6) of them kept, made of a pre-encoded stretch
//       of S seconds (default 10) repeated; prints "started PATH", "finished PATH" and "removed PATH" lines
// --small makes the same structures at 320x180 (the tree: 3 s a clip), for tests.
#include "samples/LiveRecording.h"
#include "samples/SampleClips.h"

#include <QCoreApplication>
#include <QDate>
#include <QFileInfo>
#include <QStringList>
#include <atomic>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <exception>

extern "C" {
#include <libavutil/log.h>
}

namespace {

constexpr int kUsage = 2;

int usage() {
    std::fprintf(stderr, "usage: veltra-make-samples ROOT [--date yyyy-mm-dd] [--small]\n"
                         "       veltra-make-samples input NAME SECONDS FILE [--small]\n"
                         "       veltra-make-samples recipe NAME SECONDS [--small]\n"
                         "       veltra-make-samples live DIR --format mxf|ts|mp4 [--file-minutes N]\n"
                         "           [--keep M] [--name PREFIX] [--segment-seconds S] [--small]\n");
    return kUsage;
}

// The named input of that length, or an error for the command line.
samples::ClipRecipe inputRecipe(const QString& name, const QString& seconds, samples::InputSize size) {
    bool ok = false;
    const double s = seconds.toDouble(&ok);
    if (!ok)
        throw std::invalid_argument("bad length " + seconds.toStdString() + " (seconds)");
    return samples::referenceInput(name, s, size);
}

int makeInput(const QStringList& args, samples::InputSize size) {
    samples::ClipRecipe clip = inputRecipe(args[0], args[1], size);
    const QString wanted = QFileInfo(clip.path).suffix();
    if (QFileInfo(args[2]).suffix().compare(wanted, Qt::CaseInsensitive) != 0)
        throw std::invalid_argument(QString("%1 is an .%2 file").arg(args[0], wanted).toStdString());
    clip.path = args[2];
    samples::writeSampleClip(clip);
    return 0;
}

int makeTree(const QStringList& args, samples::InputSize size) {
    QString root;
    QDate date = QDate::currentDate();
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == "--date" && i + 1 < args.size()) {
            date = QDate::fromString(args[++i], "yyyy-MM-dd");
            if (!date.isValid()) {
                std::fprintf(stderr, "bad date %s (use yyyy-mm-dd)\n", qPrintable(args[i]));
                return kUsage;
            }
        } else if (root.isEmpty() && !args[i].startsWith("--")) {
            root = args[i];
        } else {
            return usage();
        }
    }
    if (root.isEmpty())
        return usage();
    samples::writeSampleTree(root, date, size);
    return 0;
}

std::atomic<bool> stopRequested{false};
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");

extern "C" void requestStop(int) {
    stopRequested = true;
}

// A number given on the command line; a count must be whole.
double numberArgument(const QString& name, const QString& value, bool whole = false) {
    bool ok = false;
    const double v = value.toDouble(&ok);
    if (!ok || !std::isfinite(v) || (whole && (v != std::floor(v) || std::fabs(v) > 1e6)))
        throw std::invalid_argument("bad " + name.toStdString() + " " + value.toStdString());
    return v;
}

int runLive(const QStringList& args, samples::InputSize size) {
    samples::LiveOptions options;
    options.size = size;
    bool formatGiven = false;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a.startsWith("--") && i + 1 >= args.size())
            return usage();
        if (a == "--format")
            options.format = samples::liveFormatNamed(args[++i]), formatGiven = true;
        else if (a == "--file-minutes")
            options.fileMinutes = numberArgument(a, args[++i]);
        else if (a == "--keep")
            options.keepFiles = int(numberArgument(a, args[++i], true));
        else if (a == "--segment-seconds")
            options.segmentSeconds = numberArgument(a, args[++i]);
        else if (a == "--name")
            options.prefix = args[++i];
        else if (options.folder.isEmpty() && !a.startsWith("--"))
            options.folder = a;
        else
            return usage();
    }
    if (options.folder.isEmpty() || !formatGiven)
        return usage();
    std::signal(SIGINT, requestStop);
    std::signal(SIGTERM, requestStop);
    samples::runLiveRecording(options, stopRequested, [](const QString& line) {
        std::printf("%s\n", qPrintable(line));
        std::fflush(stdout);
    });
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    av_log_set_level(AV_LOG_ERROR);
    QStringList args = app.arguments().mid(1);
    const samples::InputSize size =
        args.removeAll("--small") > 0 ? samples::InputSize::Small : samples::InputSize::Full;
    try {
        if (!args.isEmpty() && args[0] == "input")
            return args.size() == 4 ? makeInput(args.mid(1), size) : usage();
        if (!args.isEmpty() && args[0] == "live")
            return runLive(args.mid(1), size);
        if (!args.isEmpty() && args[0] == "recipe") {
            if (args.size() != 3)
                return usage();
            std::fputs(qPrintable(samples::recipeText(inputRecipe(args[1], args[2], size))), stdout);
            return 0;
        }
        return makeTree(args, size);
    } catch (const std::invalid_argument& e) {
        std::fprintf(stderr, "veltra-make-samples: %s\n", e.what());
        return kUsage;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "veltra-make-samples: %s\n", e.what());
        return 1;
    }
}
