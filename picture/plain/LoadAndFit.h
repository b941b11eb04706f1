#pragma once
// The load-and-fit policy, once for every system: the format by the file's
// first bytes, our own walk of its structure (the format table's), the
// limits, the orientation read by the program itself, the reader's decoding
// straight into the fitted size, and the turn upright. Each
// system binds the readers of the table's rows (picture/ReadersLinux.cpp,
// picture/ReadersWindows.cpp).

#include <memory>

#include "ByteSource.h"
#include "Decoding.h"
#include "picture/FormatTable.h"
#include "picture/PictureLoader.h"
#include "platform/Bitmap.h"

namespace mirel::picture {

// The size as the pixels lie in the file.
struct FrameHeader {
  int width = 0;
  int height = 0;
};

// One format's reader of one file.
class FrameReader {
 public:
  virtual ~FrameReader() = default;
  virtual Outcome ReadHeader(FrameHeader& header) = 0;
  // Bytes the decoder holds at once to give a picture of the target size
  // (stored orientation), the squeeze aside.
  virtual long long EstimateBytes(int targetWidth, int targetHeight) = 0;
  // Decodes into out, a picture of the target size with transparent parts
  // over the face colour.
  virtual Outcome Decode(int targetWidth, int targetHeight, const Progress& progress, Bitmap& out) = 0;
};

// What one system reads with.
class Readers {
 public:
  virtual ~Readers() = default;
  // The reader of a file of this format, reading `source` from its start;
  // null when this system cannot read the format now.
  virtual std::unique_ptr<FrameReader> Open(const FormatFacts& format, ByteSource& source) = 0;
  // Whether a file no row claims is still a picture this system knows, only
  // to choose what the player is told.
  virtual bool IsOtherPicture(ByteSource& source) = 0;
};

struct Fitted {
  Bitmap picture;  // empty unless fault is None
  PictureFault fault = PictureFault::None;
  const FormatFacts* format = nullptr;  // once recognised
  int uprightWidth = 0;                 // the picture in the file, turned upright, once read
  int uprightHeight = 0;
};

// The picture in source, upright, each side longer than the box's squeezed to it.
Fitted LoadAndFit(ByteSource& source, int boxWidth, int boxHeight, const Progress& progress, Readers& readers);

}  // namespace mirel::picture
