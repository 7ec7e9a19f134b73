#pragma once
// What the linked FFmpeg can write: the muxers offered as export formats, in a stable order with the
// broadcast formats first, and the encoders each of them can store.
#include <QString>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace engine::ff {

struct FormatEntry {
    const AVOutputFormat* muxer = nullptr;
    bool network = false; // streams to an address rather than writing a file
    QString name() const { return QString::fromUtf8(muxer->name); }
};

// Built once per process.
const std::vector<FormatEntry>& exportFormats();
const FormatEntry* findExportFormat(const QString& name);
// The format a file name's extension stands for, or null.
const FormatEntry* formatForFileName(const QString& fileName);

// Encoders of `type` the format can store: its default encoder first, then by name.
std::vector<const AVCodec*> encodersFor(const AVOutputFormat* muxer, AVMediaType type);
// The encoder used when none is chosen: the muxer's own default when usable, else the first listed.
const AVCodec* defaultEncoderFor(const AVOutputFormat* muxer, AVMediaType type);

} // namespace engine::ff
