#include "WindowScale.h"

#include <cmath>

namespace mirel {

std::optional<int> SmallerScaleToFit(const ScreenRoom& room, int side) {
  const auto fits = [&](double scale) {
    const double window = side * scale;
    return window + room.frameWidth <= room.width && window + room.frameHeight <= room.height;
  };
  if (fits(room.scale)) return std::nullopt;
  // The largest whole scale below the desktop's; a hair of slack, so a ratio
  // of 2.0000001 counts as 2 and goes to 1.
  int scale = static_cast<int>(std::ceil(room.scale - 1e-6)) - 1;
  while (scale > 1 && !fits(scale)) --scale;
  if (scale < 1) return std::nullopt;  // already at 1: nothing smaller to go to
  return scale;
}

}  // namespace mirel
