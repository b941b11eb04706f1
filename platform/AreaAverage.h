#pragma once
// Smooth scaling for StretchBlt: each new pixel is the exact area average of
// the source pixels it covers, which shrinks without the moiré of picking
// pixels and keeps a 1:1 copy exact.

#include "Bitmap.h"

namespace mirel {

// The w x h block at (x, y) of src, which must lie inside it, scaled to
// toWidth x toHeight (both above 0). The result is opaque.
Bitmap AreaAverage(const Bitmap& src, int x, int y, int w, int h, int toWidth, int toHeight);

}  // namespace mirel
