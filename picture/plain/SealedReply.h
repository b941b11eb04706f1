#pragma once
// What the sealed decoder sends back over its pipe: the fitted picture or the
// reason there is none. The game reads it as it reads any untrusted input:
// every field checked, nothing taken on trust.
//
// The reply: "MRLD", then the fault, the width and the height as 32-bit
// little-endian words, then width x height pixels of 4 bytes, 0xAARRGGBB
// little-endian, row by row; no pixels with a fault.

#include <string>
#include <string_view>

#include "picture/PictureLoader.h"

namespace mirel::picture {

inline constexpr std::size_t kReplyHeaderBytes = 16;

std::string EncodeReply(const LoadedPicture& loaded);

// The reply as the picture it says, or Damaged for anything else: a reply cut
// short or too long, an unknown fault, a picture larger than the box or with
// a side of 0. The pixels come back opaque.
LoadedPicture ParseReply(std::string_view reply, int boxWidth, int boxHeight);

}  // namespace mirel::picture
