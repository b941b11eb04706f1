// Any bytes as a progressive JPEG that the program's own decoder reads at an
// eighth: a fault, or a picture of the size asked for; never a crash, a hang
// or memory run away. Small pictures come out at half the eighth, so the
// fuzzer's small files reach the decoding, not only the header.

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "picture/PictureLimits.h"
#include "picture/plain/JpegEighth.h"
#include "picture/plain/LoadAndFit.h"
#include "picture/plain/MemorySource.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace mirel::picture;
  MemorySource source(std::span<const unsigned char>(data, size));
  const std::unique_ptr<FrameReader> reader = OpenJpegEighth(source);
  FrameHeader header;
  if (reader->ReadHeader(header) != Outcome::Ok || mirel::BeyondPictureLimits(header.width, header.height))
    return 0;
  const int width = std::max(1, (header.width + 7) / 8 / 2),
            height = std::max(1, (header.height + 7) / 8 / 2);
  if (reader->EstimateBytes(width, height) > mirel::kPictureMemoryBudget) return 0;
  mirel::Bitmap out;
  if (reader->Decode(width, height, {}, out) == Outcome::Ok &&
      (out.Width() != width || out.Height() != height))
    std::abort();
  return 0;
}
