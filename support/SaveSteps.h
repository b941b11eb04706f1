#pragma once
// The steps a save takes in the folder a CheckedFile holds open, each the way
// its system does it (support/SaveStepsLinux.cpp, support/SaveStepsWindows.cpp).
// The policy that orders them is written once, in support/AtomicSave.cpp.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Result.h"
#include "support/CheckedFile.h"

namespace mirel::save {

// Why a step failed; `taken` when only because the name it wanted exists.
struct StepError {
  bool taken = false;
  std::string text;
};

// Whether the folder is held open, or why not.
Status<> FolderHeld(const CheckedFile& place);
// Writes `bytes` to a new file of a free staging name in the folder, flushed
// to disk and named only once whole where the file system allows. With
// keepOwnerAndMode, it takes the checked file's owner, group and mode as far
// as the process may set them (Windows keeps them in RenameOver instead).
// Its name, or why no byte of it is left.
Result<EntryName> WriteStaged(const CheckedFile& place, std::string_view bytes, bool keepOwnerAndMode);
// Whether `name` is still the regular file that was checked.
bool StillThere(const CheckedFile& place, const EntryName& name, const FileIdentity& checked);
// Renames in one step; fails, with `taken`, when `to` exists.
Status<StepError> RenameNoReplace(const CheckedFile& place, const EntryName& from, const EntryName& to);
// Renames over the file `to` in one step.
Status<StepError> RenameOver(const CheckedFile& place, const EntryName& from, const EntryName& to);
// Makes the folder's entries durable, where the system needs asking.
void SyncFolder(const CheckedFile& place);
void Remove(const CheckedFile& place, const EntryName& name);

// The folder's entries whose names may be staging names of `name`.
std::vector<EntryName> StagingCandidates(const CheckedFile& place, const EntryName& name);
// Whether `name` is a regular file this user owns.
bool IsOwnRegularFile(const CheckedFile& place, const EntryName& name);
std::uint64_t OwnProcessId();
// Whether no process has that id any more.
bool ProcessIsGone(std::uint64_t pid);

}  // namespace mirel::save
