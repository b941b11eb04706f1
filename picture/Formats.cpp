// The readers of the table's formats (FormatTable.cpp) on Linux. A format the
// program reads has its reader named here; the others are the module's.

#include "Formats.h"

#include <string_view>

#include "ModuleLoader.h"

namespace mirel::picture {

// The program's own readers, each in its file of this folder.
std::unique_ptr<Reader> OpenBmp(QIODevice& device);
std::unique_ptr<Reader> OpenGif(QIODevice& device);
std::unique_ptr<Reader> OpenJpeg(QIODevice& device);
std::unique_ptr<Reader> OpenPng(QIODevice& device);

namespace {

OpenReader ProgramReader(std::string_view name) {
  if (name == "bmp") return OpenBmp;
  if (name == "gif") return OpenGif;
  if (name == "jpeg") return OpenJpeg;
  if (name == "png") return OpenPng;
  return nullptr;
}

}  // namespace

std::unique_ptr<Reader> Open(const FormatFacts& format, QIODevice& device) {
  if (format.readBy == kInProgram) {
    const OpenReader open = ProgramReader(format.name);
    return open ? open(device) : nullptr;
  }
  const ModuleOpen open = FromModule(format.name);
  return open ? open(device) : nullptr;
}

}  // namespace mirel::picture
