#pragma once
// Pictures whose every pixel says where it came from, for checking copies.

#include <cstdint>

#include "platform/Surface.h"

namespace mirel::test {

// Distinct for every position below 4096 x 4096; always opaque.
inline std::uint32_t PatternPixel(int x, int y) {
  return 0xFF000000u | (std::uint32_t(x & 0xFFF) << 12) | std::uint32_t(y & 0xFFF);
}

inline Bitmap Pattern(int width, int height) {
  Bitmap image(width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) image.SetPixel(x, y, PatternPixel(x, y));
  return image;
}

inline Surface PatternSurface(int width, int height) {
  Surface surface;
  surface.LoadPicture(Pattern(width, height));
  return surface;
}

// The stored word, alpha byte included.
inline std::uint32_t RawPixel(const Surface& surface, int x, int y) { return surface.Image().Pixel(x, y); }

inline bool AllPixels(const Surface& surface, std::uint32_t colour) {
  for (int y = 0; y < surface.Image().Height(); ++y)
    for (int x = 0; x < surface.Image().Width(); ++x)
      if (RawPixel(surface, x, y) != colour) return false;
  return true;
}

}  // namespace mirel::test
