// libFuzzer entry: each input is written to a file and opened, read and sought like a clip.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <cstddef>
#include <cstdint>

#include "SourceExercise.h"

extern "C" {
#include <libavutil/log.h>
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const QString path =
        QDir::temp().filePath(QStringLiteral("veltra-fuzz-%1.bin").arg(QCoreApplication::applicationPid()));
    av_log_set_level(AV_LOG_QUIET);
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        f.write(reinterpret_cast<const char*>(data), qint64(size));
    }
    exerciseSourceFile(path);
    return 0;
}
