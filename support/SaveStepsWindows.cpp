// A save's steps on Windows: the folder is held open so that it cannot be
// renamed, and files in it are named by its path.

#include <windows.h>

#include <system_error>

#include "support/SaveSteps.h"
#include "support/StagingName.h"
#include "support/WindowsFiles.h"

namespace mirel::save {
namespace {

namespace fs = std::filesystem;

std::string SystemText(DWORD error) { return std::system_category().message(static_cast<int>(error)); }

bool NameTaken(DWORD error) { return error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS; }

Status<StepError> Failed(DWORD code) { return Status<StepError>::Failed({NameTaken(code), SystemText(code)}); }

bool WriteAll(HANDLE file, std::string_view bytes) {
  while (!bytes.empty()) {
    const DWORD chunk = bytes.size() > (1u << 30) ? (1u << 30) : static_cast<DWORD>(bytes.size());
    DWORD written = 0;
    if (!::WriteFile(file, bytes.data(), chunk, &written, nullptr)) return false;
    bytes.remove_prefix(written);
  }
  return true;
}

fs::path In(const CheckedFile& place, const EntryName& name) { return place.FolderPath() / name; }

}  // namespace

Status<> FolderHeld(const CheckedFile& place) {
  if (place.FolderHeld()) return kDone;
  return Status<>::Failed(SystemText(static_cast<DWORD>(place.FolderError())));
}

Result<EntryName> WriteStaged(const CheckedFile& place, std::string_view bytes,
                              bool /*keepOwnerAndMode: RenameOver keeps them*/) {
  EntryName staged;
  WinHandle out;
  DWORD code = ERROR_FILE_EXISTS;
  for (unsigned attempt = 0; !out.Valid() && NameTaken(code) && attempt < 100; ++attempt) {
    staged = StagingName(place.Name(), OwnProcessId(), attempt);
    out = WinHandle(::CreateFileW(In(place, staged).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!out.Valid()) code = ::GetLastError();
  }
  if (!out.Valid()) return Result<EntryName>::Failed(SystemText(code));
  if (!WriteAll(out.Get(), bytes) || !::FlushFileBuffers(out.Get()) || !out.Close()) {
    const DWORD failure = ::GetLastError();
    out.Close();
    Remove(place, staged);
    return Result<EntryName>::Failed(SystemText(failure));
  }
  return staged;
}

bool StillThere(const CheckedFile& place, const EntryName& name, const FileIdentity& checked) {
  const WinHandle entry = OpenEntry(In(place, name), FILE_READ_ATTRIBUTES, FILE_FLAG_OPEN_REPARSE_POINT);
  BY_HANDLE_FILE_INFORMATION info{};
  return entry.Valid() && ::GetFileInformationByHandle(entry.Get(), &info) &&
         !(info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) &&
         IdentityFrom(info) == checked;
}

// Flushed before it returns.
Status<StepError> RenameNoReplace(const CheckedFile& place, const EntryName& from, const EntryName& to) {
  if (::MoveFileExW(In(place, from).c_str(), In(place, to).c_str(), MOVEFILE_WRITE_THROUGH)) return kDone;
  return Failed(::GetLastError());
}

// The replace keeps the old file's attributes and security, as the save on
// Linux keeps its owner and mode. A file system that cannot replace so still
// renames over the old file in one step.
Status<StepError> RenameOver(const CheckedFile& place, const EntryName& from, const EntryName& to) {
  const fs::path target = In(place, to), staged = In(place, from);
  if (::ReplaceFileW(target.c_str(), staged.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr) ||
      ::MoveFileExW(staged.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    return kDone;
  return Failed(::GetLastError());
}

// Renames are written through already.
void SyncFolder(const CheckedFile&) {}

void Remove(const CheckedFile& place, const EntryName& name) { ::DeleteFileW(In(place, name).c_str()); }

std::vector<EntryName> StagingCandidates(const CheckedFile& place, const EntryName& name) {
  std::vector<EntryName> names;
  const fs::path pattern = In(place, L"." + name + L".new-*");
  WIN32_FIND_DATAW entry{};
  const HANDLE search = ::FindFirstFileW(pattern.c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE) return names;
  do names.emplace_back(entry.cFileName);
  while (::FindNextFileW(search, &entry));
  ::FindClose(search);
  return names;
}

// The folder is the player's own, so what is staged in it is too.
bool IsOwnRegularFile(const CheckedFile& place, const EntryName& name) {
  const DWORD attributes = ::GetFileAttributesW(In(place, name).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES &&
         !(attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT));
}

std::uint64_t OwnProcessId() { return ::GetCurrentProcessId(); }

bool ProcessIsGone(std::uint64_t pid) {
  if (pid > MAXDWORD) return true;
  const WinHandle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(pid)));
  if (!process.Valid()) return ::GetLastError() == ERROR_INVALID_PARAMETER;
  DWORD code = 0;
  return ::GetExitCodeProcess(process.Get(), &code) && code != STILL_ACTIVE;
}

}  // namespace mirel::save
