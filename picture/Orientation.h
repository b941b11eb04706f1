#pragma once
// EXIF orientation: where it is read from a file's EXIF block, and how the
// fitted picture is turned upright.

#include <QImage>

#include <cstddef>
#include <cstdint>

namespace mirel::picture {

// The orientation (1..8) in a TIFF-structured EXIF block, starting at its byte
// order mark ("II" or "MM"); 1 when there is none or the block is damaged.
int ExifOrientation(const std::uint8_t* tiff, std::size_t size);
// The same for a block that may start with "Exif\0\0".
int ExifBlockOrientation(const std::uint8_t* block, std::size_t size);

// True when the orientation swaps width and height.
inline bool Turns(int orientation) { return orientation >= 5 && orientation <= 8; }

// The picture as it is meant to be seen.
QImage Upright(const QImage& stored, int orientation);

}  // namespace mirel::picture
