#pragma once
// A stand-in file source for the writer's tests: it presents numbered pictures and their sound through
// the same hub a real file source offers. Frame k is a flat grey of level lumaOf(k) with a 16-channel
// tone block (channel c a sine of frequencyOf(c) at amplitude amplitudeOf(c), silent for channels listed as
// silent).
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "core/EngineObject.h"
#include "core/MediaSink.h"

extern "C" {
#include <libavutil/pixdesc.h>
}

namespace writertest {

using namespace engine;
using namespace engine::ff;

class TestFeeder final : public EngineObject<TestFeeder, IMObject, ISourceHub> {
  public:
    int width = 320, height = 180;
    AVPixelFormat pixelFormat = AV_PIX_FMT_YUV420P;
    AVRational rate{25, 1};
    bool interlaced = false;
    std::vector<int64_t> captionedFrames; // frames that carry a CEA-608 pair
    std::vector<int> silentChannels;
    QString path;

    static int lumaOf(int64_t k) { return 40 + int(k * 7 % 180); }
    static float amplitudeOf(int c) { return 0.006f * float(c + 1); } // sums stay below full scale
    static double frequencyOf(int c) { return 200.0 + 100.0 * c; }

    // Makes frame k the one shown (as a seek does), then sets the state.
    void present(int64_t k) {
        current_ = makeFrame(k);
        for (auto* s : sinks_)
            s->onVideo(current_);
    }
    void setState(int s) {
        state_ = s;
        for (auto* sink : sinks_)
            sink->onSourceState(s, false);
    }
    // Plays from the frame shown: sound of the shown frame, then each next frame with its sound.
    void play(int frames) {
        const int64_t first = current_ ? current_->index : 0;
        for (auto* s : sinks_)
            s->onAudio(makeAudio(first));
        for (int64_t k = first + 1; k < first + frames; ++k) {
            for (auto* s : sinks_)
                s->onAudio(makeAudio(k));
            present(k);
        }
    }
    double frameSeconds() const { return av_q2d(av_inv_q(rate)); }

    int StartFrom(IMObject*) override { return kNotSupported; }
    int CloseObject() override { return kOk; }
    int GetState(int& s) override {
        s = state_;
        return kOk;
    }
    void addSink(IMediaSink* sink) override {
        sinks_.push_back(sink);
        if (current_)
            sink->onVideo(current_);
    }
    void removeSink(IMediaSink* sink) override { std::erase(sinks_, sink); }
    void setSoundWanted(IMediaSink*, bool) override {}
    QString openedPath() const override { return path; }
    bool paced() const {
        for (auto* s : sinks_)
            if (s->pacesSource())
                return true;
        return false;
    }

  private:
    FrameHandle makeFrame(int64_t k) const {
        auto vf = std::make_shared<VideoFrame>();
        vf->frame = engine::ff::makeFrame();
        AVFrame* f = vf->frame.get();
        f->format = pixelFormat;
        f->width = width;
        f->height = height;
        av_frame_get_buffer(f, 0);
        const AVPixFmtDescriptor* d = av_pix_fmt_desc_get(pixelFormat);
        for (int p = 0; p < 3; ++p) {
            const int h = p ? AV_CEIL_RSHIFT(height, d->log2_chroma_h) : height;
            for (int y = 0; y < h; ++y)
                memset(f->data[p] + y * f->linesize[p], p ? 128 : lumaOf(k), f->linesize[p]);
        }
        if (std::find(captionedFrames.begin(), captionedFrames.end(), k) != captionedFrames.end()) {
            const uint8_t cc[] = {0xfc, 0x94, 0x20, 0xfc, 0xc1, 0xc2}; // a 608 command and "AB"
            AVFrameSideData* sd = av_frame_new_side_data(f, AV_FRAME_DATA_A53_CC, sizeof cc);
            memcpy(sd->data, cc, sizeof cc);
        }
        vf->duration = frameSeconds();
        vf->position = double(k) * vf->duration;
        vf->index = k;
        vf->interlaced = interlaced;
        return vf;
    }
    AudioHandle makeAudio(int64_t k) const {
        auto block = std::make_shared<AudioBlock>();
        const int n = int(std::llround(48000 * frameSeconds()));
        block->position = double(k) * frameSeconds();
        block->samples.resize(size_t(n) * AudioBlock::kOutputChannels);
        for (int i = 0; i < n; ++i) {
            const double t = double(k * n + i) / 48000.0;
            for (int c = 0; c < AudioBlock::kOutputChannels; ++c) {
                const bool silent =
                    std::find(silentChannels.begin(), silentChannels.end(), c) != silentChannels.end();
                block->samples[size_t(i) * 16 + size_t(c)] =
                    silent ? 0.0f : amplitudeOf(c) * float(std::sin(2 * M_PI * frequencyOf(c) * t));
            }
        }
        return block;
    }

    std::vector<IMediaSink*> sinks_;
    FrameHandle current_;
    int state_ = 1;
};

} // namespace writertest
