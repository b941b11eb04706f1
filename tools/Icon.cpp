#include "tools/Icon.h"

#include <algorithm>
#include <cstdint>

#include "platform/AreaAverage.h"
#include "platform/Bitmap.h"
#include "platform/QtBitmap.h"
#include "tools/SmallIcon.h"

namespace mirel::tools {
namespace {

// Where the game puts a built-in picture on the backdrop.
constexpr int kBoardLeft = 50;
constexpr int kBoardTop = 100;
// The board cut 2 x 2: three tiles home and the last one out, the game's
// picture of a puzzle nearly done.
constexpr int kTile = 150;
// Black seams between the tiles, so they read as tiles even when small.
constexpr int kSeam = 6;
// The corners' radius in hundredths of the side.
constexpr std::int64_t kRadiusPercent = 16;
// Samples a pixel side when measuring how much of it the rounded square covers.
constexpr std::int64_t kSamples = 16;

constexpr std::uint32_t kBlack = 0xFF000000u;

Bitmap Scene(const RgbPicture& backdrop, const BitPicture& relief) {
  Bitmap scene = ToBitmap(backdrop.ToImage());
  for (int y = 0; y < 2 * kTile; ++y) {
    for (int x = 0; x < 2 * kTile; ++x) {
      if (x >= kTile && y >= kTile) continue;  // the gap shows the stele
      if (relief.At(x, y)) scene.SetPixel(kBoardLeft + x, kBoardTop + y, kBlack);
    }
  }
  for (int i = 0; i < 2 * kTile; ++i) {
    for (int s = kTile - kSeam / 2; s < kTile + kSeam / 2; ++s) {
      scene.SetPixel(kBoardLeft + s, kBoardTop + i, kBlack);
      scene.SetPixel(kBoardLeft + i, kBoardTop + s, kBlack);
    }
  }
  return scene;
}

// How many of a pixel's kSamples x kSamples samples lie inside the square of
// `size` with rounded corners, counted in whole numbers so every machine
// agrees. Along one side sample j of the square sits at (2j + 1) / (2 kSamples)
// pixels; in units of 1 / (200 kSamples) pixel that is (2j + 1) * 100, and the
// radius, 0.16 size pixels, is 32 kSamples size.
int Covered(int size, int x, int y) {
  const std::int64_t radius = 2 * kRadiusPercent * kSamples * size;
  const std::int64_t last = kSamples * size - 1;
  int count = 0;
  for (std::int64_t sy = 0; sy < kSamples; ++sy) {
    const std::int64_t j = y * kSamples + sy;
    const std::int64_t dy = radius - (2 * std::min(j, last - j) + 1) * 100;
    for (std::int64_t sx = 0; sx < kSamples; ++sx) {
      const std::int64_t i = x * kSamples + sx;
      const std::int64_t dx = radius - (2 * std::min(i, last - i) + 1) * 100;
      // Outside the corner's quarter circle only where both lie past its centre.
      if (dx <= 0 || dy <= 0 || dx * dx + dy * dy <= radius * radius) ++count;
    }
  }
  return count;
}

}  // namespace

QImage DrawIcon(const RgbPicture& backdrop, const BitPicture& relief, int size) {
  if (size <= kLargestSmallIcon) return DrawSmallIcon(size);
  // An exact area-averaging reduction: the dithered relief turns into its
  // shades of grey instead of into noise, the same on every processor.
  const Bitmap scene = Scene(backdrop, relief);
  const Bitmap reduced = AreaAverage(scene, 0, 0, scene.Width(), scene.Height(), size, size);
  constexpr int kAll = int(kSamples * kSamples);
  QImage icon(size, size, QImage::Format_ARGB32);
  for (int y = 0; y < size; ++y) {
    auto* line = reinterpret_cast<QRgb*>(icon.scanLine(y));
    for (int x = 0; x < size; ++x) {
      const int alpha = (Covered(size, x, y) * 255 + kAll / 2) / kAll;
      line[x] = (reduced.Pixel(x, y) & 0x00FFFFFFu) | std::uint32_t(alpha) << 24;
    }
  }
  return icon;
}

}  // namespace mirel::tools
