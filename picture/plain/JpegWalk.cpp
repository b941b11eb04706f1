#include "JpegWalk.h"

#include <algorithm>

#include "picture/PictureLimits.h"

namespace mirel::picture {

namespace {

// Real files carry a few dozen; each costs a read, so a file of millions of
// empty segments would cost seconds.
constexpr int kMaxSegments = 65'536;

bool IsFrameHeader(int marker) {
  // SOF0..SOF15 but for DHT (C4), JPG (C8) and DAC (CC).
  return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

bool FrameIsWhole(const JpegSegment& frame) {
  if (frame.length < 6 || frame.leadBytes < 6) return false;
  const std::uint8_t* p = frame.lead;
  const int height = int(U16be(p + 1)), width = int(U16be(p + 3)), components = p[5];
  if (width == 0 || height == 0 || components < 1 || components > 4 || frame.length != 6 + 3 * components)
    return false;
  for (int i = 0; i < components; ++i) {
    const int sampling = p[6 + 3 * i + 1];
    const int across = sampling >> 4, down = sampling & 15;
    if (across < 1 || across > 4 || down < 1 || down > 4) return false;
  }
  return true;
}

}  // namespace

int NextJpegMarker(Scanner& s) {
  for (;;) {
    if (!s.SkipPast(0xFF)) return -1;
    int b = s.Next();
    while (b == 0xFF) b = s.Next();
    if (b != 0) return b;  // FF 00 is data, not a marker
  }
}

Outcome WalkJpegSegments(ByteSource& source, const std::function<bool(const JpegSegment&)>& visit) {
  if (!source.Seek(0)) return Outcome::Damaged;
  Scanner s(source);
  if (s.Next() != 0xFF || s.Next() != 0xD8) return Outcome::Damaged;
  for (int segments = 0; segments < kMaxSegments; ++segments) {
    const int marker = NextJpegMarker(s);
    if (marker < 0 || marker == 0xD9) return Outcome::Damaged;  // no scan before the end
    if (marker == 0xDA) return Outcome::Ok;
    if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) continue;  // no length
    std::uint8_t size[2];
    if (!s.Read(size, 2)) return Outcome::Damaged;
    JpegSegment segment;
    segment.marker = marker;
    segment.at = s.Pos();
    segment.length = static_cast<long long>(U16be(size)) - 2;
    if (segment.length < 0) return Outcome::Damaged;
    segment.leadBytes = int(std::min<long long>(segment.length, sizeof segment.lead));
    if (!s.Read(segment.lead, segment.leadBytes) || !s.Skip(segment.length - segment.leadBytes))
      return Outcome::Damaged;
    if (visit(segment)) return Outcome::Ok;
  }
  return Outcome::TooLarge;
}

Outcome JpegFits(ByteSource& source) {
  bool framed = false, whole = true, beyond = false;
  const Outcome walked = WalkJpegSegments(source, [&](const JpegSegment& segment) {
    if (!IsFrameHeader(segment.marker)) return false;
    whole = !framed && FrameIsWhole(segment);
    framed = true;
    const std::uint8_t* p = segment.lead;
    beyond = whole && BeyondPictureLimits(U16be(p + 3), U16be(p + 1));
    return !whole;
  });
  if (walked != Outcome::Ok) return walked;
  if (!framed || !whole) return Outcome::Damaged;
  return beyond ? Outcome::TooLarge : Outcome::Ok;
}

}  // namespace mirel::picture
