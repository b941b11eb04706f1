#pragma once
// A picture file the player picked, decoded in a helper process of its own
// (mirel-decode, beside the program), so that nothing the file holds is
// parsed inside the game: the helper is sent the open file and nothing
// else, runs under memory and time limits and its system's seal
// (picture/Sandbox.h), and sends back the fitted picture or its fault, which
// is checked like any input.

#include <filesystem>
#include <functional>

#include "picture/PictureLoader.h"
#include "picture/plain/SealedWait.h"

namespace mirel::picture {

// Starts a helper for the box ahead of its file, so that its start (loading
// its libraries, sealing itself) passes while the player picks; the next
// DecodeSealed for the box takes it.
void PrepareSealed(int boxWidth, int boxHeight);

// An open file as the system knows it: a descriptor, or a handle on Windows.
#ifdef _WIN32
using FileHandle = void*;
#else
using FileHandle = int;
#endif

// The picture of the open, regular file (left open), waited for as
// AwaitReply (picture/plain/SealedWait.h) says.
LoadedPicture DecodeSealed(FileHandle file, int boxWidth, int boxHeight,
                           const std::function<bool()>& stillLoading);

// The helper started as for a picture, sealed alike, but told to try what its
// seal should refuse (ProbeSeal in picture/Sandbox.h): its exit status, or -1
// when it could not be started or did not end within the decoding deadline.
int ProbeSealedDecoder();

// Where the helper is: beside the program unless named here. Tests name the
// one built, wherever their own binaries lie.
void SetDecoderPath(std::filesystem::path path);

}  // namespace mirel::picture
