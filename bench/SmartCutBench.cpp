// Runs one smart-cut export: veltra-bench-smartcut CLIP TARGET FORMAT IN_FRAME OUT_FRAME
#include <QString>
#include <cstdio>
#include <cstdlib>

#include "smartcut/SmartCut.h"

int main(int argc, char** argv) {
    if (argc != 6) {
        std::fprintf(stderr, "usage: %s CLIP TARGET FORMAT IN_FRAME OUT_FRAME\n", argv[0]);
        return 2;
    }
    const AVOutputFormat* muxer = av_guess_format(argv[3], nullptr, nullptr);
    if (!muxer) {
        std::fprintf(stderr, "unknown format %s\n", argv[3]);
        return 2;
    }
    const engine::ff::CutOutcome outcome = engine::ff::smartCut(
        {QString::fromLocal8Bit(argv[1]), QString::fromLocal8Bit(argv[2]), muxer, std::atoll(argv[4]),
         std::atoll(argv[5])});
    std::fprintf(stderr, "%s\n", outcome.text.toLocal8Bit().constData());
    return outcome.ok ? 0 : 1;
}
