#include "SourceExercise.h"

#include "source/FileReader.h"

void exerciseSourceFile(const QString& path) {
    using namespace engine::ff;
    QString error;
    auto reader = FileReader::open(path, error);
    if (!reader)
        return;
    auto readSome = [&] {
        ReadOut out;
        for (int i = 0; i < 5 && reader->read(out); ++i) {
        }
    };
    readSome();
    reader->seek(reader->info().duration / 2, {}, {});
    readSome();
    reader->seek(0, {}, {});
    readSome();
}
