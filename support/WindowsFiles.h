#pragma once
// What the Windows file code shares: opening an existing entry with every
// kind of sharing, and a file's identity from what its handle tells.

#include <windows.h>

#include <filesystem>

#include "support/CheckedFile.h"
#include "support/WinHandle.h"

namespace mirel {

inline WinHandle OpenEntry(const std::filesystem::path& path, DWORD access, DWORD flags) {
  return WinHandle(::CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 nullptr, OPEN_EXISTING, flags, nullptr));
}

inline FileIdentity IdentityFrom(const BY_HANDLE_FILE_INFORMATION& info) {
  return {info.dwVolumeSerialNumber, (std::uint64_t(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
}

}  // namespace mirel
