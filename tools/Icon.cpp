#include "tools/Icon.h"

#include <QPainter>

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

QImage Scene(const RgbPicture& backdrop, const BitPicture& relief) {
  QImage scene = backdrop.ToImage().convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < 2 * kTile; ++y) {
    for (int x = 0; x < 2 * kTile; ++x) {
      if (x >= kTile && y >= kTile) continue;  // the gap shows the stele
      if (relief.At(x, y)) scene.setPixel(kBoardLeft + x, kBoardTop + y, qRgb(0, 0, 0));
    }
  }
  QPainter painter(&scene);
  painter.setPen(Qt::NoPen);
  painter.setBrush(Qt::black);
  painter.drawRect(kBoardLeft + kTile - kSeam / 2, kBoardTop, kSeam, 2 * kTile);
  painter.drawRect(kBoardLeft, kBoardTop + kTile - kSeam / 2, 2 * kTile, kSeam);
  return scene;
}

}  // namespace

QImage DrawIcon(const RgbPicture& backdrop, const BitPicture& relief, int size) {
  if (size <= kLargestSmallIcon) return DrawSmallIcon(size);
  // An area-averaging reduction: the dithered relief turns into its shades of
  // grey instead of into noise.
  const QImage scene =
      Scene(backdrop, relief).scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  QImage icon(size, size, QImage::Format_ARGB32_Premultiplied);
  icon.fill(Qt::transparent);
  QPainter painter(&icon);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(Qt::NoPen);
  painter.setBrush(scene);
  const qreal radius = size * 0.16;
  painter.drawRoundedRect(QRectF(0, 0, size, size), radius, radius);
  painter.end();
  return icon.convertToFormat(QImage::Format_ARGB32);
}

}  // namespace mirel::tools
