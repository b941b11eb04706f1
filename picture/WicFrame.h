#pragma once
// One frame the Windows Imaging Component decodes, to a fitted picture: the
// limits of picture/PictureLimits.h, the decoder's own reduced scale where it
// has one, the program's exact area average into the box, then the turn
// upright. Apart from the loader, so that a test can hand it any frame.

#include <wincodec.h>

#include <functional>

#include "picture/PictureLoader.h"

namespace mirel::picture {

LoadedPicture DecodeFrame(IWICImagingFactory& factory, IWICBitmapFrameDecode& frame, int boxWidth,
                          int boxHeight, const std::function<void()>& stillLoading);

}  // namespace mirel::picture
