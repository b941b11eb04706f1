#pragma once
// A coded image's size record against the frame its bitstream declares. The
// library holds the record to its limits and we budget memory by it, but the
// decoder allocates the frame the bitstream asks for.

#include "ByteSource.h"

namespace mirel::picture {

// False when a coded image the primary image is decoded from (the image
// itself, its tiles or inputs, and their alpha planes and depth maps)
// declares a frame larger than its size record, or when its properties or
// data cannot be read to say.
bool CodedFramesFit(ByteSource& source);

}  // namespace mirel::picture
