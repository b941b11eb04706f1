#pragma once
// What a file's name stands for, found and opened by descriptor, so that what
// was checked is what gets read and replaced: nothing can be swapped in
// between. Only a regular file is ever read or replaced. A symbolic link is
// followed only when it is this user's own and leads to a regular file; a
// link anyone else planted could otherwise steer the game, run as root, onto
// a device, a folder or a system file.

#include <sys/stat.h>
#include <sys/types.h>

#include <filesystem>
#include <optional>
#include <string>

#include "support/Descriptor.h"

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

class CheckedFile {
 public:
  enum class Kind {
    Missing,  // no file under the name (or no folder for it)
    Regular,  // a regular file, at the name or behind a link of our own
    Refused,  // anything else: to be left alone, see Refusal()
  };

  static CheckedFile Open(const std::filesystem::path& file);

  Kind Found() const { return kind_; }
  // Why the file is left alone, when refused.
  const std::string& Refusal() const { return refusal_; }
  // The folder that holds the file, or would hold it; invalid when that
  // folder cannot be opened (FolderError() says why). Saving renames only
  // inside this folder, never by a path looked up again.
  int Folder() const { return folder_.Get(); }
  int FolderError() const { return folderError_; }
  // The file's name in Folder().
  const std::string& Name() const { return name_; }
  // Where the file is, for messages: the name given, or a link's target.
  const std::filesystem::path& Shown() const { return shown_; }
  // A regular file: open for reading (invalid when this user may not read
  // it), and its status from that descriptor.
  int Reader() const { return reader_.Get(); }
  const struct stat& Status() const { return status_; }
  std::optional<FileIdentity> Identity() const;

 private:
  Kind kind_ = Kind::Missing;
  std::string refusal_;
  Descriptor folder_;
  int folderError_ = 0;
  std::string name_;
  std::filesystem::path shown_;
  Descriptor reader_;
  struct stat status_ {};
};

}  // namespace mirel
