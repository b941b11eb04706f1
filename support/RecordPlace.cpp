#include "support/RecordPlace.h"

#include <algorithm>
#include <system_error>
#include <vector>

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

RecordFilePlace ChooseRecordFilePlace(const std::filesystem::path& programFolder, bool programFolderWritable,
                                      const std::filesystem::path& dataFolder) {
  const std::filesystem::path beside = programFolder / kRecordFileName;
  if (programFolderWritable) return {beside, beside};
  if (dataFolder.empty()) return {beside, {}};
  const std::filesystem::path own = dataFolder / kRecordFileName;
  std::error_code ec;
  std::filesystem::create_directories(dataFolder, ec);
  // Anything under the name counts as the player's own, even what cannot be
  // read: the load then puts it aside rather than falling back past it.
  const bool haveOwn = std::filesystem::symlink_status(own, ec).type() != std::filesystem::file_type::not_found;
  const bool shipped = std::filesystem::exists(beside, ec);
  return {haveOwn || !shipped ? own : beside, own};
}

}  // namespace mirel
