#pragma once
// One frame the Windows Imaging Component decodes, to the fitted size: the
// limits of picture/PictureLimits.h, the decoder's own reduced scale where it
// has one, then the squeeze every reader shares (picture/plain/Squeeze.h). Apart from
// the readers, so that a test can hand it any frame.

#include <wincodec.h>

#include "picture/plain/Decoding.h"
#include "platform/Bitmap.h"

namespace mirel::picture {

// The frame at the target size (no larger than the frame on either side),
// its transparent parts over the face colour.
Outcome DecodeFrame(IWICImagingFactory& factory, IWICBitmapFrameDecode& frame, int targetWidth, int targetHeight,
                    const Progress& progress, Bitmap& out);

}  // namespace mirel::picture
