// Two days of recordings as the ingest system leaves them: ROOT/yyyy/mm/dd/canalN/ with clips in the
// usual ingest forms, names with blanks and accents included. Today holds the featured clips at full
// size; the rest is 720p or SD with fast encoder settings, so the whole tree is made in a few minutes.
#include "samples/SampleClips.h"

#include <QDir>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <exception>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

namespace samples {
namespace {

struct Picture {
    int width, height;
};
constexpr Picture k720p{1280, 720};
constexpr Picture kSd{640, 360};
constexpr Picture kSdSmall{512, 288};
constexpr Picture kSmall{320, 180};

// What every sample recording has: moving detail, the flash and the beep, the burnt-in timecode of its
// recording, captions where the codec carries them.
ClipRecipe recording(const QString& name, Picture picture, double seconds, const QString& timecode,
                     InputSize size, int rateNum = 30000, int rateDen = 1001) {
    ClipRecipe s;
    s.path = name;
    s.rateNum = rateNum;
    s.rateDen = rateDen;
    s.width = size == InputSize::Full ? picture.width : kSmall.width;
    s.height = size == InputSize::Full ? picture.height : kSmall.height;
    s.frames = int(std::lround((size == InputSize::Full ? seconds : 3) * s.framesPerSecond()));
    s.movingDetail = true;
    s.flashAndBeep = true;
    s.startTimecode = timecode;
    s.threads = 1; // clips are made two at a time
    return s;
}

// Long-GOP H.264 with AAC stereo and captions, as the web and news ingest writes it.
ClipRecipe h264Clip(const QString& name, Picture picture, double seconds, const QString& timecode,
                    InputSize size) {
    ClipRecipe s = recording(name, picture, seconds, timecode, size);
    s.videoBitRate = picture.height >= 720 ? 2'500'000 : 1'000'000;
    s.gopLength = 30;
    s.captions = true;
    return s;
}

// MPEG-2 in MXF with 16 mono PCM tracks and a start timecode, as the broadcast ingest writes SD:
// 720x576 interlaced, shown at 16:9.
ClipRecipe mxfClip(const QString& name, const QString& timecode, InputSize size) {
    ClipRecipe s = recording(name, {720, 576}, 30, timecode, size, 25, 1);
    s.videoCodec = "mpeg2video";
    if (size == InputSize::Small)
        s.width = 360, s.height = 288;
    s.pixelAspectNum = 64;
    s.pixelAspectDen = 45;
    s.interlaced = true;
    s.gopLength = 12;
    s.closedGop = false;
    s.audioCodec = "pcm_s16le";
    s.audioTracks = 16;
    s.channelsPerTrack = 1;
    s.captions = true;
    return s;
}

ClipRecipe movClip(const QString& name, const QString& videoCodec, const QString& timecode, InputSize size) {
    // Intra-only ProRes takes many bits per picture: a smaller one keeps the tree small.
    ClipRecipe s = recording(name, videoCodec == "prores" ? kSdSmall : kSd, 30, timecode, size);
    s.videoCodec = videoCodec;
    s.bFrames = videoCodec == "h264" ? 2 : 0;
    s.videoBitRate = videoCodec == "h264" ? 1'000'000 : 0;
    s.captions = videoCodec == "h264";
    s.audioCodec = "pcm_s16le";
    return s;
}

ClipRecipe tsClip(const QString& name, const QString& timecode, InputSize size) {
    ClipRecipe s = h264Clip(name, kSd, 30, timecode, size);
    s.startSeconds = 10;
    return s;
}

// A featured clip: a reference input under the name and timecode of a recording.
ClipRecipe featured(const QString& input, const QString& name, double seconds, const QString& timecode,
                    InputSize size) {
    ClipRecipe s = referenceInput(input, size == InputSize::Full ? seconds : 3, size);
    s.path = name;
    s.startTimecode = timecode;
    s.threads = 1;
    return s;
}

using Channels = std::vector<std::pair<QString, std::vector<ClipRecipe>>>;

Channels channels(SampleDay day, InputSize size) {
    const QString news = QString::fromUtf8("Jornal da Manhã 06h.mp4");
    const QString sport = QString::fromUtf8("Esporte ao vivo - edição 1.mp4");
    if (day == SampleDay::Today) {
        return {
            {"canal1",
             {h264Clip(news, k720p, 60, "06:00:00:00", size),
              featured("xdcam", "canal1_0700.mxf", 30, "07:00:00:00", size)}},
            {"canal2",
             {mxfClip("canal2_1400.mxf", "14:00:00:00", size),
              movClip("Chamada 15h.mov", "h264", "15:00:00:00", size)}},
            {"canal3",
             {h264Clip(sport, k720p, 45, "19:30:00:00", size),
              movClip("Intervalo.mov", "prores", "20:15:00:00", size)}},
            {"canal4",
             {featured("h264i", "Madrugada 01h.ts", 60, "01:00:00:00", size),
              mxfClip("canal4_2200.mxf", "22:00:00:00", size)}},
        };
    }
    return {
        {"canal1", {h264Clip(news, k720p, 45, "06:00:00:00", size)}},
        {"canal2", {movClip("Chamada 15h.mov", "h264", "15:00:00:00", size)}},
        {"canal3", {h264Clip(sport, kSd, 120, "19:30:00:00", size)}},
        {"canal4", {tsClip("Madrugada 01h.ts", "01:00:00:00", size)}},
    };
}

// Makes the clips two at a time (the encoders run one thread each); the first failure is rethrown.
void writeAll(const std::vector<ClipRecipe>& clips) {
    std::atomic<size_t> next = 0;
    std::exception_ptr failure;
    std::mutex failureMutex;
    auto work = [&] {
        for (size_t i = next++; i < clips.size(); i = next++) {
            try {
                writeSampleClip(clips[i]);
            } catch (...) {
                std::lock_guard lock(failureMutex);
                if (!failure)
                    failure = std::current_exception();
                next = clips.size();
            }
        }
    };
    std::thread helper(work);
    work();
    helper.join();
    if (failure)
        std::rethrow_exception(failure);
}

std::vector<ClipRecipe> dayClips(const QString& root, QDate date, SampleDay day, InputSize size) {
    if (!date.isValid())
        throw std::runtime_error("invalid date for the sample tree");
    const QString dayFolder = QDir(root).filePath(date.toString("yyyy/MM/dd"));
    std::vector<ClipRecipe> clips;
    for (const auto& [channel, recipes] : channels(day, size)) {
        const QString folder = QDir(dayFolder).filePath(channel);
        if (!QDir().mkpath(folder))
            throw std::runtime_error("cannot create " + folder.toStdString());
        for (ClipRecipe clip : recipes) {
            clip.path = QDir(folder).filePath(clip.path);
            clips.push_back(clip);
        }
    }
    return clips;
}

} // namespace

void writeSampleDay(const QString& root, QDate date, SampleDay day, InputSize size) {
    writeAll(dayClips(root, date, day, size));
}

void writeSampleTree(const QString& root, QDate today, InputSize size) {
    std::vector<ClipRecipe> clips = dayClips(root, today, SampleDay::Today, size);
    for (ClipRecipe& clip : dayClips(root, today.addDays(-1), SampleDay::DayBefore, size))
        clips.push_back(clip);
    // The longest first, so the two workers end together.
    std::stable_sort(clips.begin(), clips.end(), [](const ClipRecipe& a, const ClipRecipe& b) {
        return int64_t(a.frames) * a.width * a.height > int64_t(b.frames) * b.width * b.height;
    });
    writeAll(clips);
}

} // namespace samples
