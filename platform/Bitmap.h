#pragma once
// A picture as the game keeps it: width x height pixels, row by row from the
// top, each a 32-bit 0xAARRGGBB word with no padding between rows. The game's
// boxes hold opaque pixels (alpha 0xFF). Plain C++, so every layer below the
// window and every desktop can share it.

#include <cassert>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace mirel {

class Bitmap {
 public:
  Bitmap() = default;
  // width x height pixels of one colour; a negative side counts as 0.
  Bitmap(int width, int height, std::uint32_t colour = 0);

  int Width() const { return width_; }
  int Height() const { return height_; }
  // No pixels at all: a side of 0, or never given a size.
  bool Empty() const { return pixels_.empty(); }

  std::uint32_t Pixel(int x, int y) const { return pixels_[Index(x, y)]; }
  void SetPixel(int x, int y, std::uint32_t colour) { pixels_[Index(x, y)] = colour; }
  // Row y's Width() pixels; the next row follows straight after.
  std::uint32_t* Row(int y) { return pixels_.data() + RowStart(y); }
  const std::uint32_t* Row(int y) const { return pixels_.data() + RowStart(y); }
  std::uint32_t* Data() { return pixels_.data(); }
  const std::uint32_t* Data() const { return pixels_.data(); }

  void Fill(std::uint32_t colour);
  // The w x h block at (x, y), which must lie inside.
  Bitmap Copy(int x, int y, int w, int h) const;

  // Same size and the same words, alpha included.
  friend bool operator==(const Bitmap&, const Bitmap&) = default;

 private:
  std::size_t RowStart(int y) const {
    assert(y >= 0 && y < height_);
    return std::size_t(y) * std::size_t(width_);
  }
  std::size_t Index(int x, int y) const {
    assert(x >= 0 && x < width_);
    return RowStart(y) + std::size_t(x);
  }

  int width_ = 0;
  int height_ = 0;
  std::vector<std::uint32_t> pixels_;
};

}  // namespace mirel
