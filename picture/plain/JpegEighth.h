#pragma once
// A progressive JPEG at an eighth of its size, read by the program itself from
// its DC scans alone, on every system. At that scale a block is its DC
// coefficient, which the DC scans carry; the AC scans, most of the file, are
// passed over by their markers and never decoded, and one coefficient a block
// is all that is held. So a 200-megapixel photo costs a few megabytes.

#include <memory>

#include "ByteSource.h"

namespace mirel::picture {

class FrameReader;

// The reader of a progressive JPEG of 8-bit grey, YCbCr or RGB samples at an
// eighth of its size; its header says Unsupported for any other JPEG, which
// the system's reader then reads. Reads source from its start.
std::unique_ptr<FrameReader> OpenJpegEighth(ByteSource& source);

}  // namespace mirel::picture
