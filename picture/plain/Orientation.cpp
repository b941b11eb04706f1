#include "Orientation.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>
#include <vector>

#include "JpegWalk.h"
#include "PngWalk.h"
#include "Scanner.h"
#include "TiffWalk.h"

namespace mirel::picture {

namespace {

// An EXIF block is small; a file's block past this is not read further.
constexpr long long kMaxExifBytes = 64 * 1024;

// The block of `size` bytes at `at`, cut to kMaxExifBytes, as an orientation.
int BlockAt(ByteSource& source, long long at, long long size) {
  std::vector<std::uint8_t> block(std::size_t(std::clamp(size, 0LL, kMaxExifBytes)));
  if (!ReadAt(source, at, block.data(), static_cast<long long>(block.size()))) return 1;
  return ExifBlockOrientation(block.data(), block.size());
}

int JpegOrientation(ByteSource& source) {
  long long at = -1, length = 0;
  WalkJpegSegments(source, [&](const JpegSegment& segment) {
    if (segment.marker != 0xE1 || segment.leadBytes < 6 ||
        std::string_view(reinterpret_cast<const char*>(segment.lead), 6) != std::string_view("Exif\0\0", 6))
      return false;
    at = segment.at, length = segment.length;
    return true;
  });
  return at < 0 ? 1 : BlockAt(source, at, length);
}

int PngOrientation(ByteSource& source) {
  long long at = -1, length = 0;
  WalkPngChunks(source, [&](std::string_view type, long long chunkAt, long long chunkLength) {
    if (type != "eXIf") return false;
    at = chunkAt, length = chunkLength;
    return true;
  });
  return at < 0 ? 1 : BlockAt(source, at, length);
}

int WebpOrientation(ByteSource& source) {
  constexpr std::uint8_t kExifFlag = 0x08;
  std::uint8_t head[21];
  if (!ReadAt(source, 0, head, sizeof head) ||
      std::string_view(reinterpret_cast<const char*>(head + 12), 4) != "VP8X" || !(head[20] & kExifFlag))
    return 1;
  const long long end = std::min<long long>(8 + static_cast<long long>(U32le(head + 4)), source.Size());
  for (long long at = 12; at + 8 <= end;) {
    std::uint8_t chunk[8];
    if (!ReadAt(source, at, chunk, 8)) return 1;
    const long long size = U32le(chunk + 4);
    if (std::string_view(reinterpret_cast<const char*>(chunk), 4) == "EXIF")
      return BlockAt(source, at + 8, size);
    at += 8 + size + (size & 1);
  }
  return 1;
}

int TiffOrientation(ByteSource& source) {
  TiffDirectory directory;
  if (!ReadTiffDirectory(source, directory)) return 1;
  for (long long i = 0; i < directory.count; ++i) {
    if (directory.Tag(i) != 0x0112) continue;
    const std::uint32_t v = directory.Value(i);
    return v >= 1 && v <= 8 ? int(v) : 1;
  }
  return 1;
}

}  // namespace

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

int ReadOrientation(Format format, ByteSource& source) {
  switch (format) {
    case Format::Jpeg:
      return JpegOrientation(source);
    case Format::Png:
      return PngOrientation(source);
    case Format::Webp:
      return WebpOrientation(source);
    case Format::Tiff:
      return TiffOrientation(source);
    case Format::Bmp:
    case Format::Gif:
    case Format::Heic:
    case Format::Avif:
      break;
  }
  return 1;
}

Bitmap Upright(const Bitmap& stored, int orientation) {
  if (orientation < 2 || orientation > 8) return stored;
  const int w = stored.Width(), h = stored.Height();
  Bitmap out = Turns(orientation) ? Bitmap(h, w) : Bitmap(w, h);
  for (int y = 0; y < out.Height(); ++y) {
    std::uint32_t* row = out.Row(y);
    for (int x = 0; x < out.Width(); ++x) {
      int sx = x, sy = y;
      switch (orientation) {
        case 2:  // mirrored
          sx = w - 1 - x;
          break;
        case 3:  // half a turn
          sx = w - 1 - x, sy = h - 1 - y;
          break;
        case 4:  // upside down
          sy = h - 1 - y;
          break;
        case 5:  // transposed
          sx = y, sy = x;
          break;
        case 6:  // a quarter turn clockwise
          sx = y, sy = h - 1 - x;
          break;
        case 7:  // transposed across the other diagonal
          sx = w - 1 - y, sy = h - 1 - x;
          break;
        default:  // 8: a quarter turn anticlockwise
          sx = w - 1 - y, sy = x;
          break;
      }
      row[x] = stored.Pixel(sx, sy);
    }
  }
  return out;
}

}  // namespace mirel::picture
