#pragma once
// The sealed decoder's dealings with its system, one file for each
// (picture/DecoderIoLinux.cpp, picture/DecoderIoWindows.cpp): what it loads
// before the seal, how the game's file comes to it through its standard
// input, and how its reply leaves by its standard output.

#include <optional>
#include <string>

#include "picture/PictureLoader.h"

namespace mirel::picture {

// Loads what the decoders would otherwise load while they run, which the seal
// may forbid.
void LoadEverythingFirst();

// Waits for the file the game sends and gives its picture, fitted to the
// box; nothing when the game sent none and let the helper go.
std::optional<LoadedPicture> DecodeSentFile(int boxWidth, int boxHeight);

// False when not all of it could be written.
bool WriteReply(const std::string& bytes);

}  // namespace mirel::picture
