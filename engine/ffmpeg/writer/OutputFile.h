#pragma once
// The muxer and its file. Writes under a temporary name beside the target; only finish() puts the file
// in place (replacing an older one), and anything short of that removes the temporary file.
#include <QString>
#include <functional>
#include <memory>

#include "core/AvPtr.h"
#include "writer/AttributeList.h"

namespace engine::ff {

class OutputFile {
  public:
    // Opens the temporary file; returns null and the reason when the folder cannot be written.
    static std::unique_ptr<OutputFile> create(const QString& target, const AVOutputFormat* muxer,
                                              QString& error);
    ~OutputFile();

    AVStream* addStream(const AVCodecContext* encoder, QString& error);
    QString writeHeader(const AttributeValues& options);
    QString write(AVPacket* packet, AVStream* stream, AVRational encoderTimeBase);
    // Trailer, close, rename onto the target. A `check` of the closed temporary file that returns a
    // reason keeps the file from being put in place.
    QString finish(const std::function<QString(const QString& writtenFile)>& check = {});
    // Close and remove the temporary file.
    void discard();
    const QString& target() const { return target_; }

  private:
    OutputFile(QString target, QString temp, AVOutputPtr ctx);
    QString closeIo();

    QString target_, temp_;
    AVOutputPtr ctx_;
    bool headerWritten_ = false;
    bool done_ = false;
};

} // namespace engine::ff
