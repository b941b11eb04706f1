#include <windows.h>

#include <system_error>
#include <utility>

#include "support/AtomicSave.h"
#include "support/SaveMessages.h"
#include "support/StagingName.h"
#include "support/WindowsFiles.h"

namespace mirel {
namespace {

namespace fs = std::filesystem;

std::string SystemText(DWORD error) { return std::system_category().message(static_cast<int>(error)); }

bool NameTaken(DWORD error) { return error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS; }

bool WriteAll(HANDLE file, std::string_view bytes) {
  while (!bytes.empty()) {
    const DWORD chunk = bytes.size() > (1u << 30) ? (1u << 30) : static_cast<DWORD>(bytes.size());
    DWORD written = 0;
    if (!::WriteFile(file, bytes.data(), chunk, &written, nullptr)) return false;
    bytes.remove_prefix(written);
  }
  return true;
}

// Whether `name` in `folder` is still the regular file that was checked.
bool StillThere(const fs::path& folder, const EntryName& name, const FileIdentity& checked) {
  const WinHandle entry = OpenEntry(folder / name, FILE_READ_ATTRIBUTES, FILE_FLAG_OPEN_REPARSE_POINT);
  BY_HANDLE_FILE_INFORMATION info{};
  return entry.Valid() && ::GetFileInformationByHandle(entry.Get(), &info) &&
         !(info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) &&
         IdentityFrom(info) == checked;
}

// A rename that fails when the new name is taken, flushed before it returns.
bool RenameNoReplace(const fs::path& folder, const EntryName& from, const EntryName& to, DWORD& error) {
  if (::MoveFileExW((folder / from).c_str(), (folder / to).c_str(), MOVEFILE_WRITE_THROUGH)) return true;
  error = ::GetLastError();
  return false;
}

bool ProcessIsGone(std::uint64_t pid) {
  if (pid > MAXDWORD) return true;
  const WinHandle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(pid)));
  if (!process.Valid()) return ::GetLastError() == ERROR_INVALID_PARAMETER;
  DWORD code = 0;
  return ::GetExitCodeProcess(process.Get(), &code) && code != STILL_ACTIVE;
}

}  // namespace

StagedFile::StagedFile(Folder folder, EntryName name, EntryName staged)
    : folder_(std::move(folder)), name_(std::move(name)), staged_(std::move(staged)) {}

StagedFile::StagedFile(StagedFile&& other) noexcept
    : folder_(std::move(other.folder_)),
      name_(std::move(other.name_)),
      staged_(std::exchange(other.staged_, {})) {}

StagedFile::~StagedFile() {
  if (!staged_.empty()) ::DeleteFileW((folder_ / staged_).c_str());
}

std::optional<StagedFile> StagedFile::Write(const CheckedFile& place, std::string_view bytes,
                                            bool /*keepOwnerAndMode: the replace keeps them*/,
                                            std::string& error) {
  if (!place.FolderHeld()) {
    error = SystemText(static_cast<DWORD>(place.FolderError()));
    return std::nullopt;
  }
  EntryName staged;
  WinHandle out;
  DWORD code = ERROR_FILE_EXISTS;
  for (unsigned attempt = 0; !out.Valid() && NameTaken(code) && attempt < 100; ++attempt) {
    staged = StagingName(place.Name(), ::GetCurrentProcessId(), attempt);
    out = WinHandle(::CreateFileW((place.FolderPath() / staged).c_str(), GENERIC_WRITE, 0, nullptr,
                                  CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!out.Valid()) code = ::GetLastError();
  }
  if (!out.Valid()) {
    error = SystemText(code);
    return std::nullopt;
  }
  StagedFile result(place.FolderPath(), place.Name(), staged);  // removes the new file on every failure below
  if (!WriteAll(out.Get(), bytes) || !::FlushFileBuffers(out.Get()) || !out.Close()) {
    error = SystemText(::GetLastError());
    return std::nullopt;
  }
  return result;
}

bool StagedFile::Commit(std::optional<FileIdentity> expected, std::string& error) {
  const fs::path target = folder_ / name_, staged = folder_ / staged_;
  if (expected) {
    if (!StillThere(folder_, name_, *expected)) {
      error = kTakenMeanwhile;
      return false;
    }
    // The replace keeps the old file's attributes and security, as the save
    // on Linux keeps its owner and mode. A file system that cannot replace
    // so still renames over the old file in one step.
    if (!::ReplaceFileW(target.c_str(), staged.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr,
                        nullptr) &&
        !::MoveFileExW(staged.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      error = SystemText(::GetLastError());
      return false;
    }
  } else if (DWORD code = 0; !RenameNoReplace(folder_, staged_, name_, code)) {
    error = NameTaken(code) ? kTakenMeanwhile : SystemText(code);
    return false;
  }
  staged_.clear();
  return true;
}

std::optional<EntryName> MoveAside(const CheckedFile& place, std::string& error) {
  const std::optional<FileIdentity> checked = place.Identity();
  if (!checked || !StillThere(place.FolderPath(), place.Name(), *checked)) {
    error = kTakenMeanwhile;
    return std::nullopt;
  }
  for (int n = 1; n <= kBackupNames; ++n) {
    EntryName backup = BackupName(place.Name(), n);
    DWORD code = 0;
    if (RenameNoReplace(place.FolderPath(), place.Name(), backup, code)) return backup;
    if (!NameTaken(code)) {
      error = SystemText(code);
      return std::nullopt;
    }
  }
  error = "every backup name is taken";
  return std::nullopt;
}

bool MoveBack(const CheckedFile& place, const EntryName& backup) {
  DWORD ignored = 0;
  return RenameNoReplace(place.FolderPath(), backup, place.Name(), ignored);
}

void RemoveStaleStagedFiles(const CheckedFile& place) {
  if (!place.FolderHeld()) return;
  const fs::path pattern = place.FolderPath() / (L"." + place.Name() + L".new-*");
  WIN32_FIND_DATAW entry{};
  const HANDLE search = ::FindFirstFileW(pattern.c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    const std::optional<std::uint64_t> pid = StagingPid(entry.cFileName, place.Name());
    if (!pid || *pid == ::GetCurrentProcessId()) continue;
    if (entry.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) continue;
    // A process that is still there may yet commit it. The folder is the
    // player's own, so what is staged in it is too.
    if (ProcessIsGone(*pid)) ::DeleteFileW((place.FolderPath() / entry.cFileName).c_str());
  } while (::FindNextFileW(search, &entry));
  ::FindClose(search);
}

}  // namespace mirel
