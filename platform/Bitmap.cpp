#include "Bitmap.h"

#include <algorithm>

#include "VectorClones.h"

namespace mirel {

Bitmap::Bitmap(int width, int height, std::uint32_t colour)
    : width_(std::max(width, 0)),
      height_(std::max(height, 0)),
      pixels_(std::size_t(width_) * std::size_t(height_), colour) {}

namespace {

// A repaint that cannot cover the window clears it whole first. In 32-byte
// steps where the processor has them this is as quick as the fill QImage had,
// and about a third quicker than std::fill.
MIREL_VECTOR_CLONES void FillWords(std::uint32_t* __restrict to, std::size_t n,
                                                         std::uint32_t colour) {
  for (std::size_t i = 0; i < n; ++i) to[i] = colour;
}

}  // namespace

void Bitmap::Fill(std::uint32_t colour) { FillWords(pixels_.data(), pixels_.size(), colour); }

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
