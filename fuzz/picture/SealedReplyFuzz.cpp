// Any bytes as the sealed decoder's reply: the game reads a picture no larger
// than the box, opaque, or a fault; never more.

#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "picture/plain/SealedReply.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view reply(reinterpret_cast<const char*>(data), size);
  const mirel::LoadedPicture read = mirel::picture::ParseReply(reply, 8, 6);
  if (read.fault != mirel::PictureFault::None) {
    if (!read.picture.Empty()) std::abort();
    return 0;
  }
  const mirel::Bitmap& p = read.picture;
  if (p.Width() < 1 || p.Height() < 1 || p.Width() > 8 || p.Height() > 6) std::abort();
  for (int y = 0; y < p.Height(); ++y)
    for (int x = 0; x < p.Width(); ++x)
      if (p.Pixel(x, y) >> 24 != 0xFF) std::abort();
  return 0;
}
