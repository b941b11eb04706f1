#pragma once
// The sealed decoder's dealings with its system, one file for each
// (picture/DecoderIoLinux.cpp, picture/DecoderIoWindows.cpp): what it loads
// before the seal, how it reads the file it was given as its standard input,
// and how its reply leaves by its standard output.

#include <string>

#include "picture/PictureLoader.h"

namespace mirel::picture {

// Loads what the decoders would otherwise load while they run, which the seal
// may forbid.
void LoadEverythingFirst();

// The picture of the file given, fitted to the box.
LoadedPicture DecodeGivenFile(int boxWidth, int boxHeight);

// False when not all of it could be written.
bool WriteReply(const std::string& bytes);

}  // namespace mirel::picture
