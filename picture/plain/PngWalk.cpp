#include "PngWalk.h"

#include <cstdint>

#include "Scanner.h"
#include "picture/PictureLimits.h"

namespace mirel::picture {

namespace {

// Real files carry a few dozen; each costs a read.
constexpr int kMaxChunks = 65'536;
constexpr long long kMaxChunkLength = 0x7FFF'FFFF;

// The bit depths each colour type allows.
bool DepthFits(int colourType, int depth) {
  switch (colourType) {
    case 0:  // grey
      return depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16;
    case 3:  // palette
      return depth == 1 || depth == 2 || depth == 4 || depth == 8;
    case 2:  // RGB
    case 4:  // grey and alpha
    case 6:  // RGBA
      return depth == 8 || depth == 16;
    default:
      return false;
  }
}

}  // namespace

Outcome WalkPngChunks(
    ByteSource& source,
    const std::function<bool(std::string_view type, long long at, long long length)>& visit) {
  std::uint8_t signature[8];
  if (!ReadAt(source, 0, signature, 8) || std::string_view(reinterpret_cast<const char*>(signature), 8) !=
                                              std::string_view("\x89PNG\r\n\x1A\n", 8))
    return Outcome::Damaged;
  const long long size = source.Size();
  long long at = 8;
  for (int chunks = 0; chunks < kMaxChunks; ++chunks) {
    std::uint8_t head[8];
    if (!ReadAt(source, at, head, 8)) return Outcome::Damaged;
    const long long length = U32be(head);
    const std::string_view type(reinterpret_cast<const char*>(head + 4), 4);
    // The data and its check value lie in the file.
    if (length > kMaxChunkLength || at + 12 + length > size) return Outcome::Damaged;
    if (type == "IDAT") return Outcome::Ok;
    if (type == "IEND") return Outcome::Damaged;
    if (visit(type, at + 8, length)) return Outcome::Ok;
    at += 12 + length;
  }
  return Outcome::TooLarge;
}

Outcome PngFits(ByteSource& source) {
  bool first = true, whole = false, beyond = false;
  const Outcome walked = WalkPngChunks(source, [&](std::string_view type, long long at, long long length) {
    if (!first) return false;
    first = false;
    std::uint8_t h[13];
    if (type != "IHDR" || length != 13 || !ReadAt(source, at, h, 13)) return true;
    const long long width = U32be(h), height = U32be(h + 4);
    whole = width > 0 && width <= kMaxChunkLength && height > 0 && height <= kMaxChunkLength &&
            DepthFits(h[9], h[8]) && h[10] == 0 && h[11] == 0 && h[12] <= 1;
    beyond = BeyondPictureLimits(width, height);
    return !whole;
  });
  if (walked != Outcome::Ok) return walked;
  if (!whole) return Outcome::Damaged;
  return beyond ? Outcome::TooLarge : Outcome::Ok;
}

}  // namespace mirel::picture
