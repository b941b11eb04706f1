#include <windows.h>

#include <string>

#include "ExecutableFolder.h"

namespace mirel {

std::filesystem::path ExecutableFolder() {
  // The call cuts a long path short without saying so but by filling the
  // buffer, so the buffer grows until the path fits (Windows allows 32767).
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return std::filesystem::path(".");
    if (length < path.size()) {
      path.resize(length);
      return std::filesystem::path(path).parent_path();
    }
    if (path.size() >= 32768) return std::filesystem::path(".");
    path.resize(path.size() * 2);
  }
}

}  // namespace mirel
