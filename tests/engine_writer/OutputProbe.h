#pragma once
// Reads back a written file with libavformat/libavcodec: what a player would find in it.
#include <QString>
#include <string>
#include <vector>

namespace writertest {

struct ProbedFile {
    bool opened = false;
    std::string format, videoCodec, audioCodec;
    int videoFrames = 0;
    bool interlaced = false;               // the video stream declares a field order
    double firstLuma = -1;                 // mean luma of the first picture
    int64_t firstCode = -1, lastCode = -1; // frame codes of sample clips: first and last picture
    bool captions = false;                 // A53 side data on a decoded picture
    std::vector<int>
        captionedPictures; // pictures (0 = first shown) whose A53 data holds CC1 text or commands
    int channels = 0;
    int sampleRate = 0;
    int64_t audioSamples = 0;
    std::vector<double> channelRms; // of the decoded sound, per channel
};

ProbedFile probeFile(const QString& path);

} // namespace writertest
