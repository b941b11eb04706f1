// A HEVC sequence parameter set, read as far as the picture size.

#include <vector>

#include "BitReader.h"
#include "CodedFrame.h"

namespace mirel::picture {

std::optional<Frame> HevcSpsFrame(const std::uint8_t* nal, std::size_t size) {
  if (size < 2) return std::nullopt;
  // Encoders put a 0x03 after every two zero bytes, so the payload never
  // looks like a start code; the fields are read without them.
  std::vector<std::uint8_t> rbsp;
  rbsp.reserve(size - 2);
  int zeros = 0;
  for (std::size_t i = 2; i < size; ++i) {
    if (zeros >= 2 && nal[i] == 3) {
      zeros = 0;
      continue;
    }
    zeros = nal[i] == 0 ? zeros + 1 : 0;
    rbsp.push_back(nal[i]);
  }
  BitReader b(rbsp.data(), rbsp.size());
  b.Skip(4);  // the video parameter set it belongs to
  const int subLayers = int(b.Bits(3));
  b.Skip(1);
  // Profile, tier and level: the general ones, then those of each sub-layer
  // that says it has them.
  b.Skip(88 + 8);
  bool profile[7] = {}, level[7] = {};  // three bits give at most seven sub-layers
  for (int i = 0; i < subLayers; ++i) {
    profile[i] = b.Bit();
    level[i] = b.Bit();
  }
  if (subLayers > 0) b.Skip(2 * std::uint64_t(8 - subLayers));
  for (int i = 0; i < subLayers; ++i) b.Skip((profile[i] ? 88u : 0u) + (level[i] ? 8u : 0u));
  b.Golomb(31);                      // its own id
  if (b.Golomb(31) == 3) b.Skip(1);  // 4:4:4 chroma, and whether its planes are coded apart
  Frame frame;
  frame.width = b.Golomb(31);
  frame.height = b.Golomb(31);
  if (!b.Ok()) return std::nullopt;
  return frame;
}

}  // namespace mirel::picture
