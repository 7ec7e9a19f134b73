// veltra-make-samples ROOT [--date yyyy-mm-dd]: writes sample recordings for the given day (default
// today) and the day before under ROOT, in the dated folder layout the player lists.
#include "samples/SampleClips.h"

#include <QCoreApplication>
#include <QDate>
#include <QStringList>
#include <cstdio>
#include <exception>

extern "C" {
#include <libavutil/log.h>
}

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    av_log_set_level(AV_LOG_ERROR);
    const QStringList args = app.arguments().mid(1);
    QString root;
    QDate date = QDate::currentDate();
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == "--date" && i + 1 < args.size()) {
            date = QDate::fromString(args[++i], "yyyy-MM-dd");
            if (!date.isValid()) {
                std::fprintf(stderr, "bad date %s (use yyyy-mm-dd)\n", qPrintable(args[i]));
                return 2;
            }
        } else if (root.isEmpty() && !args[i].startsWith("--")) {
            root = args[i];
        } else {
            root.clear();
            break;
        }
    }
    if (root.isEmpty()) {
        std::fprintf(stderr, "usage: veltra-make-samples ROOT [--date yyyy-mm-dd]\n");
        return 2;
    }
    try {
        for (const QDate& day : {date, date.addDays(-1)})
            samples::writeSampleTree(root, day);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "veltra-make-samples: %s\n", e.what());
        return 1;
    }
    return 0;
}
