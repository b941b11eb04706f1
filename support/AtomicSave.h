#pragma once
// Replacing a file so that nothing is ever lost: the new bytes are written in
// full to a file of their own beside it, flushed to disk, and only then renamed
// over the old one. A full disk, a size limit or a read-only folder shows as a
// failure before the old file is touched.

#include <sys/types.h>

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace mirel {

// Which file a name stands for, so a file can be told from one that has
// replaced it under the same name since.
struct FileIdentity {
  dev_t device = 0;
  ino_t inode = 0;
  friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};

// Follows symbolic links; nothing when there is no such file.
std::optional<FileIdentity> IdentityOf(const std::filesystem::path& file);

// Where saving `file` must write: the file a symbolic link under that name
// points to, so the link stays; otherwise `file` itself.
std::filesystem::path SaveTarget(const std::filesystem::path& file);

// A complete new version of a file, written beside it but not yet in its place.
class StagedFile {
 public:
  // Writes `bytes` to a new file in `file`'s folder and flushes it to disk.
  // With keepOwnerAndMode, the new file takes the owner, group and mode of
  // the file it will replace, as far as the process is allowed to set them.
  // Nothing, with `error` saying why, when any byte could not be written.
  static std::optional<StagedFile> Write(const std::filesystem::path& file, std::string_view bytes,
                                         bool keepOwnerAndMode, std::string& error);

  StagedFile(StagedFile&& other) noexcept;
  StagedFile& operator=(StagedFile&&) = delete;
  StagedFile(const StagedFile&) = delete;
  StagedFile& operator=(const StagedFile&) = delete;
  // Removes the new file unless it was committed.
  ~StagedFile();

  // Renames the new file over the old one in one step.
  bool Commit(std::string& error);

 private:
  StagedFile(std::filesystem::path file, std::filesystem::path staged);

  std::filesystem::path file_;
  std::filesystem::path staged_;
};

// Replaces `file` by `bytes` in one step, keeping its owner and mode. On
// failure the old file stays as it was and `error` says why.
bool WriteFileAtomically(const std::filesystem::path& file, std::string_view bytes, std::string& error);

// Renames `file` to the first free name of "<file>.bak", "<file>.bak.2", ...
// "<file>.bak.99". An existing backup is never replaced, not even one another
// process makes at the same moment. The name it went to, or nothing with
// `error` saying why.
std::optional<std::filesystem::path> MoveAside(const std::filesystem::path& file, std::string& error);

// Undoes MoveAside, unless something has taken the name since.
bool MoveBack(const std::filesystem::path& backup, const std::filesystem::path& file);

}  // namespace mirel
