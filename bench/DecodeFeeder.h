#pragma once
// Plays [in, out) of a media file into the consumers added to it, as fast as they take it: pictures in
// order, and every audio stream's channels routed in stream order to the 16 output channels at 48 kHz.
// It stands in for the file source when this build has none, so the writer can be measured on its own.
#include <QString>
#include <vector>

#include "core/EngineObject.h"
#include "core/MediaSink.h"

namespace bench {

class DecodeFeeder final
    : public engine::ff::EngineObject<DecodeFeeder, engine::IMObject, engine::ff::ISourceHub> {
  public:
    // Returns an error text, empty on success.
    QString open(const QString& path);
    QString play(double in, double out);

    int StartFrom(engine::IMObject*) override { return engine::kNotSupported; }
    int CloseObject() override { return engine::kOk; }
    int GetState(int& s) override {
        s = state_;
        return engine::kOk;
    }
    void addSink(engine::ff::IMediaSink* sink) override { sinks_.push_back(sink); }
    void removeSink(engine::ff::IMediaSink* sink) override { std::erase(sinks_, sink); }
    void setSoundWanted(engine::ff::IMediaSink*, bool) override {}
    QString openedPath() const override { return path_; }

  private:
    struct AudioTrack {
        int stream = -1;
        engine::ff::AVCodecContextPtr decoder;
        engine::ff::SwrPtr swr;
        int channels = 0;
        int firstChannel = 0;       // its first output channel
        std::vector<float> samples; // 48 kHz interleaved, starting at the in point
        bool started = false;
    };
    void decodeAudio(AudioTrack& t, AVPacket* pkt, double in);
    void emitReady(bool draining);

    QString path_;
    engine::ff::AVInputPtr input_;
    int videoStream_ = -1;
    engine::ff::AVCodecContextPtr video_;
    std::vector<AudioTrack> tracks_;
    std::vector<engine::ff::FrameHandle> pictures_; // decoded, waiting for their sound
    int64_t audioSent_ = 0;                         // samples handed out since the in point
    double in_ = 0, frameSeconds_ = 0.04;
    std::vector<engine::ff::IMediaSink*> sinks_;
    int state_ = 1;
};

} // namespace bench
