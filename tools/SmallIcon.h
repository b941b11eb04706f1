#pragma once
// The icon at the sizes a panel or a menu shows it, drawn pixel by pixel: a
// reduced relief turns to grey mush there, so these show only the idea, a
// board of stone tiles on crimson with its last tile out.

#include <QImage>

namespace mirel::tools {

// The largest size drawn this way; larger icons show the relief.
inline constexpr int kLargestSmallIcon = 32;

// size is 16, 24 or 32; any other gives a null image.
QImage DrawSmallIcon(int size);

}  // namespace mirel::tools
