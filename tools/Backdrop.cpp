#include "tools/Backdrop.h"

#include <cmath>

namespace mirel::tools {
namespace {

// Fritsch-Carlson slopes: the cubic between knots then never overshoots, so
// the edge only ever moves outward going down.
std::array<double, kSteleKnots.size()> MonotoneSlopes() {
  constexpr std::size_t n = kSteleKnots.size();
  std::array<double, n - 1> h{};
  std::array<double, n - 1> d{};
  for (std::size_t i = 0; i + 1 < n; ++i) {
    h[i] = kSteleKnots[i + 1].row - kSteleKnots[i].row;
    d[i] = (kSteleKnots[i + 1].left - kSteleKnots[i].left) / h[i];
  }
  std::array<double, n> m{};
  for (std::size_t i = 1; i + 1 < n; ++i) {
    if (d[i - 1] * d[i] <= 0) continue;
    const double w1 = 2 * h[i] + h[i - 1];
    const double w2 = h[i] + 2 * h[i - 1];
    m[i] = (w1 + w2) / (w1 / d[i - 1] + w2 / d[i]);
  }
  // One-sided three-point ends, kept to the secant's sign and within three times it.
  auto end = [](double h0, double h1, double d0, double d1) {
    double s = ((2 * h0 + h1) * d0 - h0 * d1) / (h0 + h1);
    if (s * d0 <= 0) return 0.0;
    if (d0 * d1 <= 0 && std::abs(s) > std::abs(3 * d0)) s = 3 * d0;
    return s;
  };
  m[0] = end(h[0], h[1], d[0], d[1]);
  m[n - 1] = end(h[n - 2], h[n - 3], d[n - 2], d[n - 3]);
  return m;
}

}  // namespace

std::array<int, kBackdropSize> SteleLeftEdges() {
  const auto m = MonotoneSlopes();
  std::array<int, kBackdropSize> edges{};
  std::size_t k = 0;
  for (int y = 0; y < kBackdropSize; ++y) {
    while (k + 2 < kSteleKnots.size() && y >= kSteleKnots[k + 1].row) ++k;
    const EdgeKnot a = kSteleKnots[k];
    const EdgeKnot b = kSteleKnots[k + 1];
    const double h = b.row - a.row;
    const double t = (y - a.row) / h;
    const double t2 = t * t;
    const double t3 = t2 * t;
    const double x = (2 * t3 - 3 * t2 + 1) * a.left + (t3 - 2 * t2 + t) * h * m[k] +
                     (-2 * t3 + 3 * t2) * b.left + (t3 - t2) * h * m[k + 1];
    edges[static_cast<std::size_t>(y)] = static_cast<int>(std::floor(x + 0.5));
  }
  return edges;
}

RgbPicture DrawBackdrop() {
  RgbPicture picture(kBackdropSize, kBackdropSize);
  const auto edges = SteleLeftEdges();
  for (int y = 0; y < kBackdropSize; ++y) {
    const int left = edges[static_cast<std::size_t>(y)];
    const int right = kBackdropSize - 1 - left;
    for (int x = 0; x < kBackdropSize; ++x) {
      if (x >= left && x <= right) {
        picture.Set(x, y, kStone);
      } else if (x == left - 1 || x == right + 1) {
        picture.Set(x, y, kOutline);
      } else {
        picture.Set(x, y, kCrimson);
      }
    }
  }
  return picture;
}

}  // namespace mirel::tools
