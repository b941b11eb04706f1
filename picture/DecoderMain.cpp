// mirel-decode: decodes one picture file for the game, sealed off. The file
// comes as standard input, the reply goes to standard output (the format of
// picture/plain/SealedReply.h); the box is given as two arguments. Before it
// reads a byte of the file it loads all it will need, limits its memory and
// time, and shuts itself off from files, the network and other programs.

#include <QBuffer>
#include <QFile>
#include <QImageReader>

#include <unistd.h>

#include <cstdlib>
#include <new>
#include <string>

#include "picture/FormatTable.h"
#include "picture/PictureFile.h"
#include "picture/Sandbox.h"
#include "picture/plain/SealedReply.h"

namespace {

bool WriteAll(const std::string& bytes) {
  for (std::size_t at = 0; at < bytes.size();) {
    const ssize_t n = write(1, bytes.data() + at, bytes.size() - at);
    if (n <= 0) return false;
    at += std::size_t(n);
  }
  return true;
}

// What the decoders would otherwise open while they run: Qt's image plugins
// and the program's decoder module.
void LoadEverythingFirst() {
  QBuffer nothing;
  nothing.open(QIODevice::ReadOnly);
  QImageReader::imageFormat(&nothing);
  for (const mirel::picture::FormatFacts& format : mirel::picture::FormatTable())
    mirel::picture::SystemReads(format);
}

}  // namespace

int main(int argc, char** argv) {
  // Sealed, it leaves without exit handlers (see the end).
  if (argc == 2 && std::string(argv[1]) == "--probe-seal") _exit(mirel::picture::ProbeSeal());
  if (argc != 3) return 2;
  const int width = std::atoi(argv[1]), height = std::atoi(argv[2]);
  if (width < 1 || height < 1 || width > 4096 || height > 4096) return 2;
  LoadEverythingFirst();
  if (!mirel::picture::Seal()) return 3;

  mirel::LoadedPicture loaded;
  try {
    QFile file;
    if (!file.open(0, QIODevice::ReadOnly)) {
      loaded.fault = mirel::PictureFault::Unreadable;
    } else {
      mirel::picture::Fitted fitted = mirel::LoadFitted(file, QSize(width, height));
      loaded = {std::move(fitted.picture), fitted.fault};
    }
  } catch (const std::bad_alloc&) {
    loaded = {mirel::Bitmap(), mirel::PictureFault::TooLarge};
  }
  // Without exit handlers: a leak checker's, in a checked build, would want
  // what the seal refuses.
  _exit(WriteAll(mirel::picture::EncodeReply(loaded)) ? 0 : 1);
}
