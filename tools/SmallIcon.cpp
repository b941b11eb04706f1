#include "tools/SmallIcon.h"

#include <algorithm>
#include <array>

#include <QPainter>

#include "tools/Backdrop.h"

namespace mirel::tools {
namespace {

// Whole pixels for one size: a black outline, a crimson frame, then 3 x 3
// tiles edge to edge, told apart by their bevels.
struct Layout {
  int size;
  int frame;    // crimson between the outline and the tiles
  int tile;     // a tile's side
  int chamfer;  // corner pixels cut away, for a rounded look
};
constexpr int kOutlineWidth = 1;
constexpr int kTiles = 3;
constexpr std::array<Layout, 3> kLayouts{{{16, 1, 4, 1}, {24, 2, 6, 1}, {32, 3, 8, 2}}};
static_assert(std::all_of(kLayouts.begin(), kLayouts.end(), [](const Layout& l) {
  return 2 * (kOutlineWidth + l.frame) + kTiles * l.tile == l.size;
}));

// Lit from the upper left like the reliefs: a tile's top and left edges catch
// the light, its bottom and right edges and the hole's top and left lie in shade.
constexpr QRgb kStoneLit = qRgb(200, 200, 200);
constexpr QRgb kStoneShade = qRgb(70, 70, 70);
constexpr QRgb kCrimsonShade = qRgb(28, 0, 4);
constexpr QRgb kHole = qRgb(56, 0, 9);

// Whether (x, y) lies in the square inset by `inset`, its corners cut by `chamfer`.
bool Inside(int size, int x, int y, int inset, int chamfer) {
  const int dx = std::min(x, size - 1 - x) - inset;
  const int dy = std::min(y, size - 1 - y) - inset;
  return dx >= 0 && dy >= 0 && dx + dy >= chamfer;
}

void DrawTile(QPainter& painter, const QRect& r) {
  painter.fillRect(r, kStone);
  painter.fillRect(QRect(r.left(), r.top(), r.width(), 1), kStoneLit);
  painter.fillRect(QRect(r.left(), r.top(), 1, r.height()), kStoneLit);
  painter.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), kStoneShade);
  painter.fillRect(QRect(r.right(), r.top(), 1, r.height()), kStoneShade);
}

void DrawHole(QPainter& painter, const QRect& r) {
  painter.fillRect(r, kHole);
  painter.fillRect(QRect(r.left(), r.top(), r.width(), 1), kCrimsonShade);
  painter.fillRect(QRect(r.left(), r.top(), 1, r.height()), kCrimsonShade);
}

}  // namespace

QImage DrawSmallIcon(int size) {
  const auto it =
      std::find_if(kLayouts.begin(), kLayouts.end(), [size](const Layout& l) { return l.size == size; });
  if (it == kLayouts.end()) return {};
  const Layout& l = *it;
  QImage icon(size, size, QImage::Format_ARGB32);
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      const QRgb ground = Inside(size, x, y, 0, l.chamfer) ? kOutline : qRgba(0, 0, 0, 0);
      icon.setPixel(x, y, Inside(size, x, y, kOutlineWidth, l.chamfer) ? kCrimson : ground);
    }
  }
  QPainter painter(&icon);
  const int origin = kOutlineWidth + l.frame;
  for (int row = 0; row < kTiles; ++row) {
    for (int column = 0; column < kTiles; ++column) {
      const QRect cell(origin + column * l.tile, origin + row * l.tile, l.tile, l.tile);
      // The last tile is out: the board as the game shows it before the player wins.
      if (row == kTiles - 1 && column == kTiles - 1) {
        DrawHole(painter, cell);
      } else {
        DrawTile(painter, cell);
      }
    }
  }
  return icon;
}

}  // namespace mirel::tools
