// What the player's open-file dialog and messages list, from the format table.

#include <string>
#include <vector>

#include "picture/FormatTable.h"
#include "picture/PictureLoader.h"

namespace mirel {

std::vector<std::string> PictureFormatNames() {
  std::vector<std::string> names;
  for (const picture::FormatFacts& format : picture::FormatTable())
    if (picture::SystemReads(format)) names.emplace_back(format.shownName);
  return names;
}

std::vector<std::string> PictureFilePatterns() {
  std::vector<std::string> patterns;
  for (const picture::FormatFacts& format : picture::FormatTable())
    for (const char* extension : format.extensions) patterns.push_back(std::string("*.") + extension);
  return patterns;
}

}  // namespace mirel
