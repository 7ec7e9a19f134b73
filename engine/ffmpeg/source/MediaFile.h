#pragma once
// An opened clip container: its streams, where its clip time starts, and what the source tells about it.
// Opening reads the headers and probes the streams; demuxing and decoding are the stages' work.
#include <QString>
#include <functional>
#include <memory>
#include <vector>

#include "core/AvPtr.h"
#include "engine_ffmpeg/ByteSource.h"
#include "io/GrowingInput.h"
#include "io/MxfPacketTimes.h"
#include "io/TsPes.h"
#include "source/MediaReader.h"
#include "source/StreamTime.h"

namespace engine::ff {

struct AudioStreamInfo {
    int index = -1; // stream index in the container
    int channels = 0;
    StreamTime time;
};

class MediaFile {
  public:
    // Null with `error` (in Portuguese, for the operator) when the file is not a playable clip.
    // Bytes are read through `decorate`'s wrapping of the file (tests slow or hold them). `giveUp` true
    // abandons the open (a newer one was asked for).
    static std::unique_ptr<MediaFile> open(const QString& path, const ByteSourceDecorator& decorate, QString& error,
                                           std::function<bool()> giveUp = {});

    const QString& path() const { return path_; }
    AVFormatContext* format() const { return fmt_.get(); }
    GrowingInput& input() const { return *input_; }
    // The file was still being written when it was opened (FFmpeg's own index stops at what it saw).
    bool grewAfterOpen() const { return grewAfterOpen_; }
    // Puts a packet just read on the clip's time line (FFmpeg's own stamps are wrong in an MXF file
    // opened while it was being written).
    void stamp(AVPacket& pkt) const {
        if (packetTimes_)
            packetTimes_->stamp(pkt);
    }
    // A fragmented MP4 demuxer knows only the fragments on disk when it was opened: a new one, opened on
    // the file as it is now, knows them all. False (the old one kept) when it cannot be opened.
    bool reopenDemuxer();
    bool knowsOnlyWhatWasOnDiskAtOpen() const { return grewAfterOpen_ && !packetTimes_ && !isTransportStream(); }
    bool isTransportStream() const;
    // Reading starts over at `point` (a byte position found by the growth probe).
    bool readFrom(const GrownSeekPoint& point);
    // In a transport stream, after the demuxer's own seek for `seconds` (the container's time line): the
    // key picture before that time, looked for around where the seek landed (FFmpeg's seek there lands
    // on any picture near the time). Nothing elsewhere, or when none is found nearby.
    std::optional<GrownSeekPoint> keyPictureBefore(double seconds);
    // The key pictures the container's index lists (clip seconds), and whether it lists every picture.
    struct IndexedKeys {
        std::vector<double> times;
        bool complete = false;
    };
    const IndexedKeys& indexedKeys() const { return indexedKeys_; }
    const MediaInfo& info() const { return info_; }
    int videoIndex() const { return videoIndex_; }
    const AVStream* videoStream() const { return videoIndex_ >= 0 ? fmt_->streams[videoIndex_] : nullptr; }
    const StreamTime& videoTime() const { return videoTime_; }
    const std::vector<AudioStreamInfo>& audio() const { return audio_; }
    int subtitleIndex() const { return subtitleIndex_; }
    const StreamTime& subtitleTime() const { return subtitleTime_; }
    // Seconds of the clip origin on the container's own time line.
    double origin() const { return origin_; }

  private:
    explicit MediaFile(QString path) : path_(std::move(path)) {}
    bool openInput(const ByteSourceDecorator& decorate, QString& error, std::function<bool()> giveUp);
    void findDuration();
    // A demuxer over the file's input (`format` null: probed); null with an AVERROR in `rc`.
    AVInputPtr openDemuxer(const AVInputFormat* format, int& rc);
    QString whyNotOpened(int rc);
    double findOrigin() const;
    IndexedKeys readIndex() const;

    QString path_;
    std::unique_ptr<GrowingInput> input_; // outlives fmt_, which reads through it
    AVInputPtr fmt_;
    bool grewAfterOpen_ = false;
    std::unique_ptr<MxfPacketTimes> packetTimes_;
    std::unique_ptr<TsVideoPes> tsPictures_;
    MediaInfo info_;
    IndexedKeys indexedKeys_;
    int videoIndex_ = -1;
    StreamTime videoTime_;
    std::vector<AudioStreamInfo> audio_;
    int subtitleIndex_ = -1;
    StreamTime subtitleTime_;
    double origin_ = 0;
};

// A decoder for stream `st`, opened with FFmpeg's threads; null when it cannot be opened.
AVCodecContextPtr openDecoder(const AVStream& st, int threads);

} // namespace engine::ff
