#pragma once
// The program's own BMP reader, in plain C++ so that every system reads BMP
// files alike: the same pictures, pixel for pixel, and the same refusals.

#include <memory>

#include "ByteSource.h"
#include "Decoding.h"
#include "LoadAndFit.h"
#include "platform/Bitmap.h"

namespace mirel::picture {

class BmpDecoder final : public FrameReader {
 public:
  // Reads `source` from its current offset, which is the file's start.
  explicit BmpDecoder(ByteSource& source);
  ~BmpDecoder() override;
  BmpDecoder(const BmpDecoder&) = delete;
  BmpDecoder& operator=(const BmpDecoder&) = delete;

  // The size as the pixels lie in the file; BMP has no orientation.
  Outcome ReadHeader(FrameHeader& header) override;
  // Bytes held at once while decoding, the squeeze aside, whatever the target.
  long long EstimateBytes(int targetWidth, int targetHeight) override;
  // The picture squeezed to target, which is no larger on either side.
  Outcome Decode(int targetWidth, int targetHeight, const Progress& progress, Bitmap& out) override;

 private:
  class Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace mirel::picture
