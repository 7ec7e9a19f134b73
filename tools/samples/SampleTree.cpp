// A day of recordings as the ingest system leaves them: ROOT/yyyy/mm/dd/canalN/ with short clips in
// the usual ingest forms, names with blanks and accents included.
#include "samples/SampleClips.h"

#include <QDir>
#include <stdexcept>
#include <vector>

namespace samples {
namespace {

// Long-GOP H.264 with AAC stereo and captions, as the web and news ingest writes it.
ClipRecipe h264Clip(const QString& name, int frames) {
    ClipRecipe s;
    s.path = name;
    s.width = 640;
    s.height = 360;
    s.frames = frames;
    s.gopLength = 30;
    s.captions = true;
    return s;
}

// MPEG-2 in MXF with 16 mono PCM tracks and a start timecode, as the broadcast ingest writes it.
ClipRecipe mxfClip(const QString& name, int frames, bool hd, const QString& timecode) {
    ClipRecipe s;
    s.path = name;
    s.videoCodec = "mpeg2video";
    s.width = hd ? 1920 : 320;
    s.height = hd ? 1080 : 180;
    if (hd) {
        s.rateNum = 25;
        s.rateDen = 1;
        s.interlaced = true;
    }
    s.frames = frames;
    s.gopLength = 12;
    s.closedGop = false;
    s.audioCodec = "pcm_s24le";
    s.audioTracks = 16;
    s.channelsPerTrack = 1;
    s.captions = true;
    s.startTimecode = timecode;
    return s;
}

ClipRecipe movClip(const QString& name, int frames, const QString& videoCodec, const QString& timecode) {
    ClipRecipe s;
    s.path = name;
    s.videoCodec = videoCodec;
    s.frames = frames;
    s.bFrames = videoCodec == "h264" ? 2 : 0;
    s.captions = videoCodec == "h264";
    s.audioCodec = "pcm_s16le";
    s.startTimecode = timecode;
    return s;
}

ClipRecipe tsClip(const QString& name, int frames) {
    ClipRecipe s = h264Clip(name, frames);
    s.width = 320;
    s.height = 180;
    s.startSeconds = 10;
    return s;
}

std::vector<std::pair<QString, std::vector<ClipRecipe>>> channels() {
    return {
        {"canal1",
         {h264Clip(QString::fromUtf8("Jornal da Manhã 06h.mp4"), 90),
          mxfClip("canal1_0700.mxf", 50, true, "07:00:00:00")}},
        {"canal2",
         {mxfClip("canal2_1400.mxf", 60, false, "14:00:00:00"),
          movClip("Chamada 15h.mov", 60, "h264", "15:00:00:00")}},
        {"canal3",
         {h264Clip(QString::fromUtf8("Esporte ao vivo - edição 1.mp4"), 60),
          movClip("Intervalo.mov", 30, "prores", "")}},
        {"canal4", {mxfClip("canal4_2200.mxf", 45, false, "22:00:00:00"), tsClip("Madrugada 01h.ts", 60)}},
    };
}

} // namespace

void writeSampleTree(const QString& root, QDate date) {
    if (!date.isValid())
        throw std::runtime_error("invalid date for the sample tree");
    const QString day = QDir(root).filePath(date.toString("yyyy/MM/dd"));
    for (const auto& [channel, clips] : channels()) {
        const QString folder = QDir(day).filePath(channel);
        if (!QDir().mkpath(folder))
            throw std::runtime_error("cannot create " + folder.toStdString());
        for (ClipRecipe clip : clips) {
            clip.path = QDir(folder).filePath(clip.path);
            writeSampleClip(clip);
        }
    }
}

} // namespace samples
