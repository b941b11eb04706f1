#include <system_error>

#include "support/CheckedFile.h"
#include "support/WindowsFiles.h"

namespace mirel {
namespace {

namespace fs = std::filesystem;

// The folder stays open for the save without sharing deletion, so it cannot
// be renamed or removed meanwhile; files in it can still be made and renamed.
WinHandle OpenFolder(const fs::path& folder) {
  return WinHandle(::CreateFileW(folder.c_str(), FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
}

}  // namespace

std::optional<FileIdentity> IdentityOf(const fs::path& file) {
  const WinHandle entry = OpenEntry(file, FILE_READ_ATTRIBUTES, FILE_FLAG_BACKUP_SEMANTICS);
  BY_HANDLE_FILE_INFORMATION info{};
  if (!entry.Valid() || !::GetFileInformationByHandle(entry.Get(), &info)) return std::nullopt;
  return IdentityFrom(info);
}

std::optional<FileIdentity> CheckedFile::Identity() const {
  if (kind_ != Kind::Regular) return std::nullopt;
  return identity_;
}

std::optional<std::string> CheckedFile::ReadAll(std::uintmax_t limit) const {
  if (kind_ != Kind::Regular || !reader_.Valid() || size_ > limit) return std::nullopt;
  std::string bytes;
  char buffer[65536];
  for (;;) {
    DWORD n = 0;
    if (!::ReadFile(reader_.Get(), buffer, sizeof buffer, &n, nullptr)) return std::nullopt;
    if (n == 0) return bytes;
    if (bytes.size() + n > limit) return std::nullopt;
    bytes.append(buffer, n);
  }
}

CheckedFile CheckedFile::Open(const fs::path& file) {
  CheckedFile result;
  const auto refuse = [&result](std::string why) { return std::move(result).Refused(std::move(why)); };
  result.shown_ = file;
  result.folderPath_ = file.has_parent_path() ? file.parent_path() : fs::path(L".");
  result.folder_ = OpenFolder(result.folderPath_);
  if (!result.folder_.Valid()) {
    result.folderError_ = static_cast<int>(::GetLastError());
    return result;
  }
  result.name_ = file.filename().native();
  if (NamesAFolder(result.name_)) return refuse("it names a folder");
  const fs::path path = result.folderPath_ / result.name_;

  // Opened for its attributes only, without following a link, so even a
  // device under the name is never opened as one.
  const WinHandle entry =
      OpenEntry(path, FILE_READ_ATTRIBUTES, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS);
  BY_HANDLE_FILE_INFORMATION info{};
  if (!entry.Valid()) {
    const DWORD error = ::GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return result;
    return refuse(std::system_category().message(static_cast<int>(error)));
  }
  if (::GetFileType(entry.Get()) != FILE_TYPE_DISK) return refuse("it is a device");
  if (!::GetFileInformationByHandle(entry.Get(), &info))
    return refuse(std::system_category().message(static_cast<int>(::GetLastError())));
  if (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) return refuse("it is a link");
  if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return refuse("it is a folder");

  // Opened again to read, and the same file, or someone swapped it. Sharing
  // deletion lets the save rename it while this is open.
  result.reader_ = OpenEntry(path, GENERIC_READ, FILE_FLAG_OPEN_REPARSE_POINT);
  BY_HANDLE_FILE_INFORMATION opened{};
  if (result.reader_.Valid() && (!::GetFileInformationByHandle(result.reader_.Get(), &opened) ||
                                 !(IdentityFrom(opened) == IdentityFrom(info)))) {
    result.reader_ = WinHandle();
    return refuse("it was replaced while it was being opened");
  }
  result.kind_ = Kind::Regular;
  result.identity_ = IdentityFrom(info);
  result.size_ = (std::uint64_t(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
  return result;
}

}  // namespace mirel
