// An AV1 sequence header, read as far as the largest frame size.

#include "BitReader.h"
#include "CodedFrame.h"

namespace mirel::picture {

std::optional<Frame> Av1SequenceFrame(const std::uint8_t* payload, std::size_t size) {
  BitReader b(payload, size);
  b.Skip(3 + 1);  // profile, still picture
  if (b.Bit()) {  // the reduced header of a still picture: only its level
    b.Skip(5);
  } else {
    bool decoderModel = false;
    int delayBits = 0;
    if (b.Bit()) {                // timing info
      b.Skip(32 + 32);            // tick and time scale
      if (b.Bit()) b.Golomb(31);  // ticks per picture
      decoderModel = b.Bit();
      if (decoderModel) {
        delayBits = int(b.Bits(5)) + 1;
        b.Skip(32 + 5 + 5);
      }
    }
    const bool displayDelay = b.Bit();
    const int points = int(b.Bits(5)) + 1;
    for (int i = 0; i < points && b.Ok(); ++i) {
      b.Skip(12);                    // which layers it decodes
      if (b.Bits(5) > 7) b.Skip(1);  // level, and tier from level 4.0 up
      if (decoderModel && b.Bit()) b.Skip(2 * std::uint64_t(delayBits) + 1);
      if (displayDelay && b.Bit()) b.Skip(4);
    }
  }
  const int widthBits = int(b.Bits(4)) + 1, heightBits = int(b.Bits(4)) + 1;
  Frame frame;
  frame.width = b.Bits(widthBits) + 1;
  frame.height = b.Bits(heightBits) + 1;
  if (!b.Ok()) return std::nullopt;
  return frame;
}

}  // namespace mirel::picture
