#pragma once
// Pictures whose every pixel says where it came from, for checking copies.

#include <QImage>
#include <cstring>

#include "platform/Surface.h"

namespace mirel::test {

// Distinct for every position below 4096 x 4096; always opaque.
inline QRgb PatternPixel(int x, int y) { return 0xFF000000u | (QRgb(x & 0xFFF) << 12) | QRgb(y & 0xFFF); }

inline QImage Pattern(int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) image.setPixel(x, y, PatternPixel(x, y));
  return image;
}

inline Surface PatternSurface(int width, int height) {
  Surface surface;
  surface.LoadPicture(Pattern(width, height));
  return surface;
}

// The stored word, alpha byte included, which QImage::pixel() would hide.
inline QRgb RawPixel(const Surface& surface, int x, int y) {
  QRgb value;
  std::memcpy(&value, surface.Image().constScanLine(y) + static_cast<std::size_t>(x) * sizeof(QRgb),
              sizeof value);
  return value;
}

inline bool AllPixels(const Surface& surface, QRgb colour) {
  for (int y = 0; y < surface.Image().height(); ++y)
    for (int x = 0; x < surface.Image().width(); ++x)
      if (RawPixel(surface, x, y) != colour) return false;
  return true;
}

}  // namespace mirel::test
