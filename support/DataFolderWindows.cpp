#include <shlobj.h>
#include <windows.h>

#include <memory>

#include "support/DataFolder.h"

namespace mirel {

std::optional<std::filesystem::path> GameDataFolder() {
  // The local folder, not the roaming one: a record of this machine's games.
  PWSTR found = nullptr;
  const HRESULT result = ::SHGetKnownFolderPath(FOLDERID_LocalAppData, KF_FLAG_DEFAULT, nullptr, &found);
  const std::unique_ptr<wchar_t, decltype(&::CoTaskMemFree)> owned(found, ::CoTaskMemFree);
  if (FAILED(result) || !found) return std::nullopt;
  const std::filesystem::path folder(found);
  if (!folder.is_absolute()) return std::nullopt;
  return folder / L"Mirel";
}

}  // namespace mirel
