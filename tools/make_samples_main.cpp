// veltra-make-samples: sample recordings and benchmark inputs.
//   veltra-make-samples ROOT [--date yyyy-mm-dd] [--small]
//       two days of sample recordings under ROOT, in the dated folder layout the player lists: the
//       given day (default today) with the featured clips, and the day before
//   veltra-make-samples input NAME SECONDS FILE [--small]
//       one reference input (xdcam, xdcam_closed, h264, h264i) of the given length
//   veltra-make-samples recipe NAME SECONDS [--small]
//       prints what decides that input's file (the key a cache of encoded inputs uses)
// --small makes the same structures at 320x180 (the tree: 3 s a clip), for tests.
#include "samples/SampleClips.h"

#include <QCoreApplication>
#include <QDate>
#include <QFileInfo>
#include <QStringList>
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
                         "       veltra-make-samples recipe NAME SECONDS [--small]\n");
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
