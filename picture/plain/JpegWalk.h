#pragma once
// Our own walk of a JPEG file's segments from its start to its first scan,
// before any decoder sees the file. It skips what the decoders skip (stray
// bytes between segments, fill bytes) and nothing more.

#include <cstdint>
#include <functional>

#include "ByteSource.h"
#include "Decoding.h"
#include "Scanner.h"

namespace mirel::picture {

struct JpegSegment {
  int marker = 0;        // 0xE1 for APP1
  long long at = 0;      // where its data starts, after the length
  long long length = 0;  // its data's bytes
  // The data's first bytes: enough for a frame header of four components.
  std::uint8_t lead[18] = {};
  int leadBytes = 0;
};

// The next marker's code, past stray bytes and fill bytes as decoders read
// them; -1 at the data's end.
int NextJpegMarker(Scanner& s);

// Hands each segment with a length before the first scan to visit, until visit
// returns true. Damaged when the file does not start a JPEG, a segment runs
// past the file's end, or the file ends before its first scan; TooLarge
// after more segments than any picture carries.
Outcome WalkJpegSegments(ByteSource& source, const std::function<bool(const JpegSegment&)>& visit);

// The walk, with the one frame header checked: Damaged without one before the
// first scan, or when it is not a frame's; TooLarge when the frame is beyond
// the limits.
Outcome JpegFits(ByteSource& source);

}  // namespace mirel::picture
