#pragma once
// EXIF orientation: read by the program itself from every format that carries
// it, on every system, so the same photos come out upright everywhere; and the
// turn of the fitted picture.

#include <cstddef>
#include <cstdint>

#include "ByteSource.h"
#include "picture/FormatTable.h"
#include "platform/Bitmap.h"

namespace mirel::picture {

// The orientation (1..8) in a TIFF-structured EXIF block, starting at its byte
// order mark ("II" or "MM"); 1 when there is none or the block is damaged.
int ExifOrientation(const std::uint8_t* tiff, std::size_t size);
// The same for a block that may start with "Exif\0\0".
int ExifBlockOrientation(const std::uint8_t* block, std::size_t size);

// The orientation of a file of this format, from the place its format keeps
// it: a JPEG's first Exif APP1 segment, a PNG's eXIf chunk before the pixels,
// a WebP's EXIF chunk when its header says there is one, a TIFF's first
// directory. 1 for formats without one (BMP, GIF) and for HEIF, whose own
// transforms its decoder applies. Reads a few small blocks from the start;
// leaves the source anywhere.
int ReadOrientation(Format format, ByteSource& source);

// True when the orientation swaps width and height.
inline bool Turns(int orientation) { return orientation >= 5 && orientation <= 8; }
// The picture as it is meant to be seen.
Bitmap Upright(const Bitmap& stored, int orientation);

}  // namespace mirel::picture
