#include <windows.h>

#include <string>

#include "support/RecordPlace.h"

namespace mirel {

bool FolderIsWritable(const std::filesystem::path& folder) {
  // The folder's rights, inherited rules, a read-only volume and the
  // protection of the programs folder all decide together, so the one sure
  // answer is a file made there, which goes again as its handle closes.
  const std::filesystem::path probe =
      folder / (L".mirel-write-check-" + std::to_wstring(::GetCurrentProcessId()));
  const HANDLE file =
      ::CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                    FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  ::CloseHandle(file);
  return true;
}

}  // namespace mirel
