#include "source/KeyPreview.h"

namespace engine::ff {

KeyPreview::KeyPreview(AVCodecContextPtr codec, Deliver deliver)
    : codec_(std::move(codec)), deliver_(std::move(deliver)), thread_([this] { run(); }) {}

KeyPreview::~KeyPreview() {
    {
        std::lock_guard lk(m_);
        quit_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void KeyPreview::decode(const AVPacket& key, uint64_t tag) {
    // Bytes of its own, not a second reference to the clip decoder's packet: FFmpeg counts a buffer's
    // references where the thread sanitizer cannot see, so the last one let go on this thread would show
    // as a race with the clip's decoder reading it (one copy of a key picture a seek).
    // (A shared buffer is never writable: the reference taken here is let go again, on this thread.)
    AVPacketPtr copy = makePacket();
    if (!copy || av_packet_ref(copy.get(), &key) < 0 || av_packet_make_writable(copy.get()) < 0)
        return;
    {
        std::lock_guard lk(m_);
        job_ = std::move(copy);
        jobTag_ = tag;
    }
    wake_.notify_all();
}

void KeyPreview::run() {
    std::unique_lock lk(m_);
    for (;;) {
        wake_.wait(lk, [&] { return quit_ || job_; });
        if (quit_)
            return;
        const AVPacketPtr key = std::move(job_);
        const uint64_t tag = jobTag_;
        lk.unlock();
        if (AVFramePtr picture = decodeOne(*codec_, *key))
            deliver_(std::move(picture), tag);
        lk.lock();
    }
}

AVFramePtr KeyPreview::decodeOne(AVCodecContext& codec, const AVPacket& key) {
    avcodec_flush_buffers(&codec);
    AVFramePtr picture = makeFrame();
    if (!picture || avcodec_send_packet(&codec, &key) < 0 || avcodec_send_packet(&codec, nullptr) < 0 ||
        avcodec_receive_frame(&codec, picture.get()) < 0)
        return nullptr;
    return picture;
}

} // namespace engine::ff
