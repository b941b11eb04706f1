#include "GifWalk.h"

#include <algorithm>
#include <cstdint>

#include "Scanner.h"
#include "picture/PictureLimits.h"

namespace mirel::picture {

namespace {

bool SkipSubBlocks(Scanner& s) {
  for (;;) {
    const int n = s.Next();
    if (n < 0) return false;
    if (n == 0) return true;
    if (!s.Skip(n)) return false;
  }
}

}  // namespace

std::optional<GifFirstFrame> WalkToFirstFrame(ByteSource& source) {
  if (!source.Seek(0)) return std::nullopt;
  Scanner s(source);
  std::uint8_t head[13];
  if (!s.Read(head, 13)) return std::nullopt;
  long long width = U16le(head + 6), height = U16le(head + 8);
  if ((head[10] & 0x80) && !s.Skip(3 * (2 << (head[10] & 7)))) return std::nullopt;
  for (;;) {
    const int b = s.Next();
    if (b == 0x21) {  // extension: label, then data sub-blocks
      if (s.Next() < 0 || !SkipSubBlocks(s)) return std::nullopt;
      continue;
    }
    // A trailer before any picture, garbage, or the end.
    if (b != 0x2C) return std::nullopt;
    std::uint8_t d[9];
    if (!s.Read(d, 9)) return std::nullopt;
    width = std::max<long long>(width, U16le(d) + U16le(d + 4));
    height = std::max<long long>(height, U16le(d + 2) + U16le(d + 6));
    if ((d[8] & 0x80) && !s.Skip(3 * (2 << (d[8] & 7)))) return std::nullopt;
    if (s.Next() < 0 || !SkipSubBlocks(s)) return std::nullopt;  // LZW code size, data
    return GifFirstFrame{width * height, s.Pos()};
  }
}

Outcome GifFits(ByteSource& source) {
  const std::optional<GifFirstFrame> first = WalkToFirstFrame(source);
  if (!first) return Outcome::Damaged;
  constexpr long long kBytesPerPixel = 4 * 4;
  return first->canvasPixels * kBytesPerPixel > kPictureMemoryBudget ? Outcome::TooLarge : Outcome::Ok;
}

}  // namespace mirel::picture
