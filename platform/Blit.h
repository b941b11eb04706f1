#pragma once
// Block copies between surfaces, with the raster operations the game uses.
// Both clip to the source and the destination and never touch memory outside them.

#include <cstdint>

#include "Surface.h"

namespace mirel {

enum class Rop : std::uint32_t {
  SRCCOPY = 0x00CC0020u,  // destination = source
  SRCAND = 0x008800C6u,   // destination = destination AND source, bit for bit
};

// Copies the w x h block at (sx, sy) of src to (x, y) of dst. src may be dst.
void BitBlt(Surface& dst, int x, int y, int w, int h, const Surface& src, int sx, int sy, Rop rop);

// Scales the sw x sh block at (sx, sy) of src into the w x h block at (x, y) of
// dst with smooth resampling (SRCCOPY): each pixel the area average of the
// source pixels it covers. src may be dst.
void StretchBlt(Surface& dst, int x, int y, int w, int h, const Surface& src, int sx, int sy, int sw,
                int sh);

}  // namespace mirel
