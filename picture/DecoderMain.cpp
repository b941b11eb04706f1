// mirel-decode: decodes one picture file for the game, sealed off. The game
// starts it with the box as two arguments, often before the player has
// picked; it loads all it will need and puts on its seal (picture/Sandbox.h),
// and only then waits for the file, sent through its standard input. The
// reply goes to standard output (the format of picture/plain/SealedReply.h).

#include <cstdlib>
#include <new>
#include <string>

#include "picture/DecoderIo.h"
#include "picture/Sandbox.h"
#include "picture/plain/SealedReply.h"

#ifdef _WIN32
#include <stdlib.h>
#else
#include <unistd.h>
#endif

int main(int argc, char** argv) {
  // Sealed, it leaves without exit handlers: a leak checker's, in a checked
  // build, would want what the seal refuses.
  if (argc == 2 && std::string(argv[1]) == "--probe-seal") _exit(mirel::picture::ProbeSeal());
  if (argc != 3) return 2;
  const int width = std::atoi(argv[1]), height = std::atoi(argv[2]);
  if (width < 1 || height < 1 || width > 4096 || height > 4096) return 2;
  mirel::picture::LoadEverythingFirst();
  if (!mirel::picture::Seal()) return 3;

  std::optional<mirel::LoadedPicture> loaded;
  try {
    loaded = mirel::picture::DecodeSentFile(width, height);
  } catch (const std::bad_alloc&) {
    loaded = {mirel::Bitmap(), mirel::PictureFault::TooLarge};
  }
  if (!loaded) _exit(0);  // no file came: nothing to say
  _exit(mirel::picture::WriteReply(mirel::picture::EncodeReply(*loaded)) ? 0 : 1);
}
