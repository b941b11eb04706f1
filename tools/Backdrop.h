#pragma once
// The title backdrop: a grey stele on crimson, widening downward, with a
// one-pixel black outline just outside each end of every grey span.

#include <array>

#include "tools/FileFormats.h"

namespace mirel::tools {

inline constexpr int kBackdropSize = 400;

// The game's colours: the stone of the stele, the crimson around it and the
// outline between them. The small icons are drawn in them too.
inline constexpr QRgb kStone = qRgb(127, 127, 127);
inline constexpr QRgb kCrimson = qRgb(136, 0, 21);
inline constexpr QRgb kOutline = qRgb(0, 0, 0);

// The stele's left edge at the rows where its width is fixed.
struct EdgeKnot {
  int row;
  int left;
};
inline constexpr std::array<EdgeKnot, 6> kSteleKnots{
    {{0, 82}, {40, 64}, {100, 49}, {200, 37}, {300, 28}, {399, 23}}};

// First grey column of every row; the span is symmetric, so it ends at 399 - left.
std::array<int, kBackdropSize> SteleLeftEdges();

RgbPicture DrawBackdrop();

}  // namespace mirel::tools
