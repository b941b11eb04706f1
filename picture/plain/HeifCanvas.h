#pragma once
// The canvas a HEIF file's primary image declares when it is derived from
// other images: a grid of tiles, an overlay, or an identity of either. The
// library allocates that canvas whole before it decodes a tile, and holds only
// the image's own size record, which may say something else, to its limits.


#include <optional>

#include "ByteSource.h"
#include "CodedFrame.h"
#include "Decoding.h"


namespace mirel::picture {

// The declared canvas, 0 x 0 when the primary image is coded, not derived; nothing when the file's boxes cannot be walked to say which, or
// when a derived image is built from an item that is no image.
std::optional<Frame> DeclaredCanvas(ByteSource& source);

// Our own walk of a HEIF file's boxes, before any decoder sees it: Damaged
// when they cannot be walked or a coded frame is larger than its size record
// (picture/plain/HeifFrames.h); TooLarge when the declared canvas, which is
// allocated whole before any tile is decoded, would pass the budget.
Outcome HeifFits(ByteSource& source);

}  // namespace mirel::picture
