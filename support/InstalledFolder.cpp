// Whether a folder is an installed copy's program folder. Apart from the
// choice of the record file's place, as only a system whose packages install
// into a fixed layout asks it.

#include <algorithm>
#include <vector>

#include "support/RecordPlace.h"

namespace mirel {

bool IsInstalledProgramFolder(const std::filesystem::path& folder, const std::filesystem::path& layout) {
  const auto parts = [](const std::filesystem::path& path) {
    std::vector<std::filesystem::path> out;
    for (const std::filesystem::path& part : path.lexically_normal())
      if (!part.empty()) out.push_back(part);
    return out;
  };
  const std::vector<std::filesystem::path> whole = parts(folder), tail = parts(layout);
  return !tail.empty() && tail.size() <= whole.size() &&
         std::equal(tail.rbegin(), tail.rend(), whole.rbegin());
}

}  // namespace mirel
