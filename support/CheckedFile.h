#pragma once
// What a file's name stands for, found and opened by handle, so that what was
// checked is what gets read and replaced: nothing can be swapped in between.
// Only a regular file is ever read or replaced. On Linux a symbolic link is
// followed only when it is this user's own and leads to a regular file; a
// link anyone else planted could otherwise steer the game, run as root, onto
// a device, a folder or a system file. On Windows a link is left alone.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>

#ifdef _WIN32
#include "support/WinHandle.h"
#else
#include <sys/stat.h>
#include <sys/types.h>

#include "support/Descriptor.h"
#endif

namespace mirel {

// Which file a name stands for, so a file can be told from one that has
// replaced it under the same name since: the device and inode, or on Windows
// the volume and file index.
struct FileIdentity {
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};

// A file's name within its folder, in the system's own characters.
using EntryName = std::filesystem::path::string_type;

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
  // Why the folder that holds the file, or would hold it, could not be opened
  // (an errno value, or on Windows a system error code); 0 when it was.
  int FolderError() const { return folderError_; }
  // The file's name in its folder.
  const EntryName& Name() const { return name_; }
  // Where the file is, for messages: the name given, or a link's target.
  const std::filesystem::path& Shown() const { return shown_; }
  std::optional<FileIdentity> Identity() const;
  // The whole content of a regular file; nothing when this user may not read
  // it, a read fails, or it holds more than `limit` bytes.
  std::optional<std::string> ReadAll(std::uintmax_t limit) const;

#ifdef _WIN32
  // The folder, held open so that it cannot be renamed while the file is
  // saved; its path, by which the save names files in it. Invalid when that
  // folder cannot be opened.
  bool FolderHeld() const { return folder_.Valid(); }
  const std::filesystem::path& FolderPath() const { return folderPath_; }
#else
  // The folder that holds the file, or would hold it; invalid when that
  // folder cannot be opened. Saving renames only inside this folder, never
  // by a path looked up again.
  int Folder() const { return folder_.Get(); }
  // A regular file: open for reading (invalid when this user may not read
  // it), and its status from that descriptor.
  int Reader() const { return reader_.Get(); }
  const struct stat& Status() const { return status_; }
#endif

 private:
  // This, left alone for the reason given.
  CheckedFile Refused(std::string why) && {
    kind_ = Kind::Refused;
    refusal_ = std::move(why);
    return std::move(*this);
  }
  // Whether a file name stands for a folder instead: none, "." or "..".
  static bool NamesAFolder(const EntryName& name) {
    return name.empty() || (name.size() <= 2 && name.find_first_not_of('.') == EntryName::npos);
  }

  Kind kind_ = Kind::Missing;
  std::string refusal_;
  int folderError_ = 0;
  EntryName name_;
  std::filesystem::path shown_;
#ifdef _WIN32
  WinHandle folder_;
  std::filesystem::path folderPath_;
  WinHandle reader_;
  FileIdentity identity_;
  std::uint64_t size_ = 0;
#else
  Descriptor folder_;
  Descriptor reader_;
  struct stat status_ {};
#endif
};

}  // namespace mirel
