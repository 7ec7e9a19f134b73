#pragma once
// A background that costs what real pictures cost to code: a textured field (soft blobs and fine
// detail) that pans back and forth, with grain that changes every frame so no picture predicts the
// next one exactly.
#include <cstdint>
#include <vector>

struct AVFrame;

namespace samples {

class MovingDetail {
  public:
    MovingDetail(int width, int height);
    // Fills the planes of an 8-bit planar YUV frame of the given size with the background of frame n.
    void draw(AVFrame* frame, int64_t n) const;

  private:
    int width_, height_, margin_;
    std::vector<uint8_t> luma_;   // (width_ + margin_) x (height_ + margin_)
    std::vector<uint8_t> chroma_; // the same size; sampled at the chroma planes' resolution
    std::vector<int8_t> grain_;   // width_ * height_ + kGrainShifts
};

} // namespace samples
