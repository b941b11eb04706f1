#pragma once
// Replacing a file so that nothing is ever lost: the new bytes are written in
// full to a file of their own beside it, flushed to disk, and only then renamed
// over the old one. A full disk, a size limit or a read-only folder shows as a
// failure before the old file is touched.
//
// Every step works in the folder a CheckedFile holds open, by the name it
// checked there: a rename changes only that folder's entry, never what a link
// points to, and a folder renamed or a link planted since cannot redirect it.
// (On Windows the folder is held open so that it cannot be renamed, and the
// steps name files by its path.)

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "platform/Result.h"
#include "support/CheckedFile.h"

namespace mirel {

// A complete new version of a file, written beside it but not yet in its
// place. It works in the folder its CheckedFile holds open, so it lives no
// longer than that.
class StagedFile {
 public:
  // Writes `bytes` to a new file in `place`'s folder and flushes it to disk.
  // The file gets a name only once it is whole (where the file system can
  // make a file without one). With keepOwnerAndMode, the new file takes the
  // owner, group and mode of the checked file, as far as the process is
  // allowed to set them. Why not, when any byte could not be written.
  static Result<StagedFile> Write(const CheckedFile& place, std::string_view bytes, bool keepOwnerAndMode);

  StagedFile(StagedFile&& other) noexcept;
  StagedFile& operator=(StagedFile&&) = delete;
  StagedFile(const StagedFile&) = delete;
  StagedFile& operator=(const StagedFile&) = delete;
  // Removes the new file unless it was committed.
  ~StagedFile();

  // Renames the new file over the old one in one step, provided the name
  // still stands for `expected`: the file that was checked, or no file at all
  // (nothing). Anything else there is left as it is, and the reason says so.
  Status<> Commit(std::optional<FileIdentity> expected);

 private:
  StagedFile(const CheckedFile& place, EntryName staged);

  const CheckedFile* place_;
  EntryName staged_;
};

// Renames the checked file to the first free name of "<name>.bak",
// "<name>.bak.2", ... "<name>.bak.99" in its folder. An existing backup is
// never replaced, not even one another process makes at the same moment. The
// name it went to, or why not.
Result<EntryName> MoveAside(const CheckedFile& place);

// Undoes MoveAside, unless something has taken the name since.
bool MoveBack(const CheckedFile& place, const EntryName& backup);

// Removes new versions of the checked file that earlier runs staged and never
// committed, because they were killed first: only regular files of this user
// under a staging name whose process is gone.
void RemoveStaleStagedFiles(const CheckedFile& place);

}  // namespace mirel
