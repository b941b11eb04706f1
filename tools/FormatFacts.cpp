// Prints the format table's shown names for the build, which writes them into
// the metainfo and the manual pages: the formats the program knows on the
// first line, those the decoder module reads on the second, each separated
// by semicolons, as CMake lists are.

#include <cstdio>
#include <string>

#include "picture/FormatTable.h"

int main() {
  using namespace mirel::picture;
  std::string all, module;
  for (const FormatFacts& format : FormatTable()) {
    all += (all.empty() ? "" : ";") + std::string(format.shownName);
    if (format.readBy == kInModule) module += (module.empty() ? "" : ";") + std::string(format.shownName);
  }
  std::printf("%s\n%s\n", all.c_str(), module.c_str());
  return 0;
}
