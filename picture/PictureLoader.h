#pragma once
// The picture loader as the game sees it: a path in, a fitted bitmap or the
// reason it cannot be shown out. Plain C++, so the menu needs no desktop
// library; behind it, picture/PictureFile.h does the work.

#include <functional>
#include <span>
#include <string>
#include <vector>

#include "platform/Bitmap.h"

namespace mirel {

enum class PictureFault {
  None,
  Missing,      // no such file
  Unreadable,   // exists but cannot be opened as an ordinary file
  Empty,        // zero bytes
  NotAPicture,  // no picture format recognised
  Unsupported,  // a picture, but in a format that does not load
  TooLarge,     // would need more memory or time than the budget allows
  Damaged,      // cut short, malformed or refused by the decoder
  Cancelled,    // the caller stopped the load
};

struct LoadedPicture {
  Bitmap picture;  // empty unless fault is None
  PictureFault fault = PictureFault::None;
};

// The picture at path (UTF-8), upright and with each side longer than the
// box's squeezed to it. stillLoading, when given, is called now and then while
// the picture decodes; where the system can stop a load, false from it stops
// this one, Cancelled.
LoadedPicture LoadPictureFile(const std::string& path, int boxWidth, int boxHeight,
                              const std::function<bool()>& stillLoading = {});

// A file is about to be picked for a box this size: what loading it needs may
// start now, while the player picks (the sealed decoder starts and seals
// itself), so the load that follows starts at once. Loads do without it too.
void PrepareToLoadPictureFile(int boxWidth, int boxHeight);

// The same from a whole file's bytes in memory, as the built-in pictures are.
LoadedPicture LoadPictureBytes(std::span<const unsigned char> bytes, int boxWidth, int boxHeight);

// The formats this system can load now, as the player reads their names
// ("BMP", "PNG", ...).
std::vector<std::string> PictureFormatNames();
// The file name patterns of every format the program knows, lower case
// ("*.bmp", "*.png", ...).
std::vector<std::string> PictureFilePatterns();

}  // namespace mirel
