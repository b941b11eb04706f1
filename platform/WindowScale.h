#pragma once
// Whether the window fits its screen at the desktop's scale, and the whole
// scale to show it at when it does not. Plain numbers, so it is decided and
// tested without a display.

#include <optional>

namespace mirel {

// The room the window has, in the screen's device pixels.
struct ScreenRoom {
  double scale = 1;  // device pixels per window pixel at the desktop's scale
  int width = 0;     // the screen's available area: the whole screen less panels and docks
  int height = 0;
  int frameWidth = 0;  // what the desktop's frame adds to the window both ways
  int frameHeight = 0;
};

// Empty while a side x side window, frame included, fits at the desktop's
// scale, or when there is no smaller whole scale to go to; otherwise the
// largest whole scale below the desktop's at which it fits, never below 1.
std::optional<int> SmallerScaleToFit(const ScreenRoom& room, int side);

}  // namespace mirel
