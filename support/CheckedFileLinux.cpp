#include "support/CheckedFile.h"

#include <fcntl.h>
#include <limits.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>
#include <utility>

namespace mirel {
namespace {

namespace fs = std::filesystem;

// Enough for any chain a player makes on purpose; a loop ends here too.
constexpr int kMostLinks = 8;

std::string KindOf(mode_t mode) {
  switch (mode & S_IFMT) {
    case S_IFDIR:
      return "a folder";
    case S_IFCHR:
    case S_IFBLK:
      return "a device";
    case S_IFIFO:
      return "a pipe";
    case S_IFSOCK:
      return "a socket";
    default:
      return "not a regular file";
  }
}

// Readable when allowed, so that the save can list and sync the folder; a
// folder this user may only pass through still serves to name files in.
Descriptor OpenFolder(int from, const fs::path& folder) {
  const char* name = folder.empty() ? "." : folder.c_str();
  int fd = ::openat(from, name, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0 && errno == EACCES) fd = ::openat(from, name, O_PATH | O_DIRECTORY | O_CLOEXEC);
  return Descriptor(fd);
}

}  // namespace

std::optional<FileIdentity> IdentityOf(const fs::path& file) {
  struct stat status {};
  if (::stat(file.c_str(), &status) != 0) return std::nullopt;
  return FileIdentity{status.st_dev, status.st_ino};
}

std::optional<FileIdentity> CheckedFile::Identity() const {
  if (kind_ != Kind::Regular) return std::nullopt;
  return FileIdentity{status_.st_dev, status_.st_ino};
}

std::optional<std::string> CheckedFile::ReadAll(std::uintmax_t limit) const {
  // No need to read what is too big already.
  if (kind_ != Kind::Regular || !reader_.Valid() || static_cast<std::uintmax_t>(status_.st_size) > limit)
    return std::nullopt;
  std::string bytes;
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::read(reader_.Get(), buffer, sizeof buffer);
    if (n == 0) return bytes;
    if (n < 0) {
      if (errno == EINTR) continue;
      return std::nullopt;
    }
    if (bytes.size() + static_cast<std::size_t>(n) > limit) return std::nullopt;
    bytes.append(buffer, static_cast<std::size_t>(n));
  }
}

CheckedFile CheckedFile::Open(const fs::path& file) {
  CheckedFile result;
  const auto refuse = [&result](std::string why) { return std::move(result).Refused(std::move(why)); };
  result.shown_ = file;
  result.folder_ = OpenFolder(AT_FDCWD, file.parent_path());
  if (!result.folder_.Valid()) {
    result.folderError_ = errno;
    return result;
  }
  result.name_ = file.filename().string();
  for (int links = 0;; ++links) {
    if (NamesAFolder(result.name_)) return refuse("it names a folder");
    // O_PATH opens without reading, so even a device under the name is never
    // opened as one; O_NOFOLLOW stops at a link, to check it before going on.
    const Descriptor entry(
        ::openat(result.folder_.Get(), result.name_.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
    struct stat status {};
    if (!entry.Valid() || ::fstat(entry.Get(), &status) != 0) {
      if (errno == ENOENT) return links == 0 ? std::move(result) : refuse("it is a link to no file");
      return refuse(std::generic_category().message(errno));
    }
    if (S_ISREG(status.st_mode)) {
      // Opened again to read, and the same file, or someone swapped it.
      result.reader_ = Descriptor(::openat(result.folder_.Get(), result.name_.c_str(),
                                           O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
      struct stat opened {};
      if (result.reader_.Valid() && (::fstat(result.reader_.Get(), &opened) != 0 ||
                                     opened.st_dev != status.st_dev || opened.st_ino != status.st_ino)) {
        result.reader_ = Descriptor();
        return refuse("it was replaced while it was being opened");
      }
      result.kind_ = Kind::Regular;
      result.status_ = status;
      return result;
    }
    if (!S_ISLNK(status.st_mode)) return refuse("it is " + KindOf(status.st_mode));
    if (status.st_uid != ::geteuid()) return refuse("it is a link that belongs to another user");
    if (links == kMostLinks) return refuse("it is a chain of too many links");
    // The text of the very link that was checked, not of one put there since.
    std::string target(PATH_MAX, '\0');
    const ssize_t length = ::readlinkat(entry.Get(), "", target.data(), target.size());
    if (length <= 0 || static_cast<std::size_t>(length) == target.size())
      return refuse("its link cannot be read");
    target.resize(static_cast<std::size_t>(length));
    const fs::path to(target);
    result.shown_ = to.is_absolute() ? to : result.shown_.parent_path() / to;
    if (to.has_parent_path()) {
      result.folder_ = OpenFolder(result.folder_.Get(), to.parent_path());
      if (!result.folder_.Valid()) {
        return refuse(errno == ENOENT ? "it is a link to no file"
                                      : "it is a link into a folder that cannot be opened");
      }
    }
    result.name_ = to.filename().string();
  }
}

}  // namespace mirel
