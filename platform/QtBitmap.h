#pragma once
// The one crossing between the game's bitmaps and Qt's images, for the Qt side
// of the program only.

#include <QImage>

#include "Bitmap.h"

namespace mirel {

// A copy of any picture in Qt's RGB32 pixels, or an empty bitmap for a null image.
Bitmap ToBitmap(const QImage& picture);

// The bitmap's pixels seen as an RGB32 image, without a copy: valid while the
// bitmap lives and keeps its size.
QImage QtView(const Bitmap& bitmap);

}  // namespace mirel
