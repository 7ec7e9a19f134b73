#pragma once
// The built-in "ColorBars-HD" source: SMPTE RP 219 HD colour bars, 1920x1080 at 30000/1001, with a
// 1 kHz tone at -20 dBFS on two channels. It has no end.
#include "source/MediaReader.h"

namespace engine::ff {

class ColorBarsReader final : public MediaReader {
  public:
    ColorBarsReader();
    const MediaInfo& info() const override { return info_; }
    bool seek(double target, const AbortCheck& aborted, const FrameObserver& decoded) override;
    bool read(ReadOut& out) override;

    // The bars picture itself (BT.709, limited range, 4:2:0).
    static AVFramePtr makeBarsPicture();

  private:
    FrameHandle frameAt(int64_t index) const;
    MediaInfo info_;
    AVFramePtr picture_;
    int64_t next_ = 0; // index of the next frame
};

} // namespace engine::ff
