#include "Orientation.h"

#include <QTransform>

#include <cstring>

namespace mirel::picture {

int ExifOrientation(const std::uint8_t* tiff, std::size_t size) {
  if (size < 8) return 1;
  const bool little = tiff[0] == 'I' && tiff[1] == 'I';
  if (!little && !(tiff[0] == 'M' && tiff[1] == 'M')) return 1;
  auto u16 = [&](std::size_t at) -> std::uint32_t {
    const std::uint32_t first = tiff[at], second = tiff[at + 1];
    return little ? first | second << 8 : first << 8 | second;
  };
  auto u32 = [&](std::size_t at) -> std::uint32_t {
    return little ? u16(at) | u16(at + 2) << 16 : u16(at) << 16 | u16(at + 2);
  };
  const std::size_t ifd = u32(4);
  if (ifd > size - 2) return 1;
  const std::size_t entries = u16(ifd);
  for (std::size_t i = 0; i < entries; ++i) {
    const std::size_t at = ifd + 2 + 12 * i;
    if (at + 12 > size) return 1;
    if (u16(at) == 0x0112 && u16(at + 2) == 3) {  // Orientation, SHORT
      const std::uint32_t value = u16(at + 8);
      return value >= 1 && value <= 8 ? int(value) : 1;
    }
  }
  return 1;
}

int ExifBlockOrientation(const std::uint8_t* block, std::size_t size) {
  if (size >= 6 && std::memcmp(block, "Exif\0\0", 6) == 0) return ExifOrientation(block + 6, size - 6);
  return ExifOrientation(block, size);
}

QImage Upright(const QImage& stored, int orientation) {
  switch (orientation) {
    case 2:
      return stored.mirrored(true, false);
    case 3:
      return stored.mirrored(true, true);
    case 4:
      return stored.mirrored(false, true);
    case 5:  // transposed
      return stored.transformed(QTransform().rotate(90)).mirrored(true, false);
    case 6:
      return stored.transformed(QTransform().rotate(90));
    case 7:  // transposed across the other diagonal
      return stored.transformed(QTransform().rotate(90)).mirrored(false, true);
    case 8:
      return stored.transformed(QTransform().rotate(270));
    default:
      return stored;
  }
}

}  // namespace mirel::picture
