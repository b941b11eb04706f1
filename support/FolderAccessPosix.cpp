#include <unistd.h>

#include "support/RecordPlace.h"

namespace mirel {

bool FolderIsWritable(const std::filesystem::path& folder) {
  // Asks the kernel, so a read-only mount and the user's own rights both count.
  return ::access(folder.c_str(), W_OK | X_OK) == 0;
}

}  // namespace mirel
