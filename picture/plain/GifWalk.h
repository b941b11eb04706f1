#pragma once
// Our own walk of a GIF file's blocks as far as its first frame, before any
// decoder sees it: a decoder may fill a frame cut short with the background
// and call it success, and paints it on a canvas as large as the screen and
// the frame together.

#include <optional>

#include "ByteSource.h"
#include "Decoding.h"

namespace mirel::picture {

struct GifFirstFrame {
  long long canvasPixels = 0;  // of the canvas the first frame is painted on
  long long end = 0;           // where the blocks after its data begin
};

// Nothing when the blocks up to the end of the first frame's data are not all there.
std::optional<GifFirstFrame> WalkToFirstFrame(ByteSource& source);

// Damaged when the first frame is not all there; TooLarge when its canvas,
// with the frame and the previous canvas a decoder keeps for disposal and our
// copy, would pass the budget.
Outcome GifFits(ByteSource& source);

}  // namespace mirel::picture
