#include "support/RecordPlace.h"

#include <system_error>

namespace mirel {

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
