#pragma once
// The program's icon: the game's own art, a few tiles of a relief on the stele.

#include <QImage>

#include "tools/FileFormats.h"

namespace mirel::tools {

// The sizes the desktop's icon theme is given, in pixels a side.
inline constexpr int kIconSizes[] = {16, 24, 32, 48, 64, 128, 256};

// A size x size picture with transparent rounded corners; up to 32 px the
// simpler drawing of SmallIcon.h.
QImage DrawIcon(const RgbPicture& backdrop, const BitPicture& relief, int size);

}  // namespace mirel::tools
