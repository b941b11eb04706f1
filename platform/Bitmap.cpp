#include "Bitmap.h"

#include <algorithm>

namespace mirel {

Bitmap::Bitmap(int width, int height, std::uint32_t colour)
    : width_(std::max(width, 0)),
      height_(std::max(height, 0)),
      pixels_(std::size_t(width_) * std::size_t(height_), colour) {}

void Bitmap::Fill(std::uint32_t colour) { std::fill(pixels_.begin(), pixels_.end(), colour); }

Bitmap Bitmap::Copy(int x, int y, int w, int h) const {
  assert(x >= 0 && y >= 0 && w >= 0 && h >= 0 && x + w <= width_ && y + h <= height_);
  Bitmap block;
  block.width_ = w;
  block.height_ = h;
  block.pixels_.reserve(std::size_t(w) * std::size_t(h));
  for (int row = 0; row < h; ++row) {
    const std::uint32_t* from = Row(y + row) + x;
    block.pixels_.insert(block.pixels_.end(), from, from + w);
  }
  return block;
}

}  // namespace mirel
