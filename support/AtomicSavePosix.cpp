#include "support/AtomicSave.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <limits>
#include <memory>
#include <system_error>
#include <utility>

#include "support/SaveMessages.h"
#include "support/StagingName.h"

namespace mirel {
namespace {

namespace fs = std::filesystem;

std::string ErrnoText(int error) { return std::generic_category().message(error); }

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

std::string StagingNameOf(const std::string& name, unsigned attempt) {
  return StagingName(name, static_cast<std::uint64_t>(::getpid()), attempt);
}

// Makes the folder's entry for a rename durable too. Best effort: some file
// systems cannot sync a folder, and the file's data is already on disk.
void SyncFolder(int folder) {
  const Descriptor fd(::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (fd.Valid()) ::fsync(fd.Get());
}

bool RenameNoReplace(int folder, const std::string& from, const std::string& to, int& error) {
  if (::renameat2(folder, from.c_str(), folder, to.c_str(), RENAME_NOREPLACE) == 0) return true;
  error = errno;
  if (error != EINVAL && error != ENOSYS) return false;
  // A file system without that rename: a hard link fails just the same when
  // the name is taken.
  if (::linkat(folder, from.c_str(), folder, to.c_str(), 0) != 0) {
    error = errno;
    return false;
  }
  ::unlinkat(folder, from.c_str(), 0);
  return true;
}

// Whether `name` in `folder` is still the regular file that was checked.
bool StillThere(int folder, const std::string& name, const FileIdentity& checked) {
  struct stat now {};
  return ::fstatat(folder, name.c_str(), &now, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(now.st_mode) &&
         FileIdentity{now.st_dev, now.st_ino} == checked;
}

// Writes `bytes` and flushes them; false with errno set.
bool Fill(int fd, const struct stat* old, std::string_view bytes) {
  if (old) {
    // Each may be refused (another user's file, a group we are not in); the
    // save still goes ahead with what is allowed.
    if (::fchown(fd, old->st_uid, old->st_gid) != 0) {
      [[maybe_unused]] const int ignored = ::fchown(fd, static_cast<uid_t>(-1), old->st_gid);
    }
    ::fchmod(fd, old->st_mode & 07777);
  }
  return WriteAll(fd, bytes) && ::fsync(fd) == 0;
}

// Gives a file made without a name one in `folder`: directly with the right
// root has, else through /proc, as any user may.
bool LinkNameless(int fd, int folder, const std::string& name) {
  if (::linkat(fd, "", folder, name.c_str(), AT_EMPTY_PATH) == 0) return true;
  if (errno != ENOENT && errno != EPERM) return false;
  const std::string self = "/proc/self/fd/" + std::to_string(fd);
  return ::linkat(AT_FDCWD, self.c_str(), folder, name.c_str(), AT_SYMLINK_FOLLOW) == 0;
}

}  // namespace

StagedFile::StagedFile(Descriptor folder, std::string name, std::string staged)
    : folder_(std::move(folder)), name_(std::move(name)), staged_(std::move(staged)) {}

StagedFile::StagedFile(StagedFile&& other) noexcept
    : folder_(std::move(other.folder_)),
      name_(std::move(other.name_)),
      staged_(std::exchange(other.staged_, {})) {}

StagedFile::~StagedFile() {
  if (!staged_.empty()) ::unlinkat(folder_.Get(), staged_.c_str(), 0);
}

std::optional<StagedFile> StagedFile::Write(const CheckedFile& place, std::string_view bytes,
                                            bool keepOwnerAndMode, std::string& error) {
  if (place.Folder() < 0) {
    error = ErrnoText(place.FolderError());
    return std::nullopt;
  }
  const auto folder = [&place] { return Descriptor(::fcntl(place.Folder(), F_DUPFD_CLOEXEC, 0)); };
  const struct stat* old =
      keepOwnerAndMode && place.Found() == CheckedFile::Kind::Regular ? &place.Status() : nullptr;

  // Made without a name and named only when whole, so a run killed while
  // writing leaves nothing behind. 0666 less the umask, as any new file gets.
  Descriptor nameless(::openat(place.Folder(), ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666));
  if (nameless.Valid()) {
    if (!Fill(nameless.Get(), old, bytes)) {
      error = ErrnoText(errno);
      return std::nullopt;
    }
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
      std::string staged = StagingNameOf(place.Name(), attempt);
      if (LinkNameless(nameless.Get(), place.Folder(), staged)) {
        StagedFile result(folder(), place.Name(), std::move(staged));
        if (nameless.Close() != 0) {
          error = ErrnoText(errno);
          return std::nullopt;
        }
        return result;
      }
      if (errno != EEXIST) break;
    }
    // No way to name it here: written again the named way.
  }

  std::string staged;
  Descriptor out;
  for (unsigned attempt = 0; !out.Valid() && attempt < 100; ++attempt) {
    staged = StagingNameOf(place.Name(), attempt);
    out = Descriptor(
        ::openat(place.Folder(), staged.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
    if (!out.Valid() && errno != EEXIST) break;
  }
  if (!out.Valid()) {
    error = ErrnoText(errno);
    return std::nullopt;
  }
  StagedFile result(folder(), place.Name(), staged);  // removes the new file on every failure below
  if (!Fill(out.Get(), old, bytes) || out.Close() != 0) {
    error = ErrnoText(errno);
    return std::nullopt;
  }
  return result;
}

bool StagedFile::Commit(std::optional<FileIdentity> expected, std::string& error) {
  // Looked at just before the rename. Between the two only someone who may
  // write this folder could put another entry under the name, and the rename
  // would then replace that entry alone, never what it points to: nothing
  // they could not remove themselves.
  if (expected) {
    if (!StillThere(folder_.Get(), name_, *expected)) {
      error = kTakenMeanwhile;
      return false;
    }
    if (::renameat(folder_.Get(), staged_.c_str(), folder_.Get(), name_.c_str()) != 0) {
      error = ErrnoText(errno);
      return false;
    }
  } else if (int code = 0; !RenameNoReplace(folder_.Get(), staged_, name_, code)) {
    error = code == EEXIST ? kTakenMeanwhile : ErrnoText(code);
    return false;
  }
  staged_.clear();
  SyncFolder(folder_.Get());
  return true;
}

std::optional<EntryName> MoveAside(const CheckedFile& place, std::string& error) {
  const std::optional<FileIdentity> checked = place.Identity();
  if (!checked || !StillThere(place.Folder(), place.Name(), *checked)) {
    error = kTakenMeanwhile;
    return std::nullopt;
  }
  for (int n = 1; n <= kBackupNames; ++n) {
    EntryName backup = BackupName(place.Name(), n);
    int code = 0;
    if (RenameNoReplace(place.Folder(), place.Name(), backup, code)) {
      SyncFolder(place.Folder());
      return backup;
    }
    if (code != EEXIST && code != ENOTEMPTY) {
      error = ErrnoText(code);
      return std::nullopt;
    }
  }
  error = "every backup name is taken";
  return std::nullopt;
}

bool MoveBack(const CheckedFile& place, const std::string& backup) {
  int ignored = 0;
  return RenameNoReplace(place.Folder(), backup, place.Name(), ignored);
}

void RemoveStaleStagedFiles(const CheckedFile& place) {
  Descriptor listing(::openat(place.Folder(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!listing.Valid()) return;
  const std::unique_ptr<DIR, int (*)(DIR*)> folder(::fdopendir(listing.Get()), ::closedir);
  if (!folder) return;
  listing.Release();
  while (const dirent* entry = ::readdir(folder.get())) {
    const std::optional<std::uint64_t> found = StagingPid(entry->d_name, place.Name());
    if (!found || *found > std::uint64_t(std::numeric_limits<pid_t>::max())) continue;
    const auto pid = static_cast<pid_t>(*found);
    if (pid == ::getpid()) continue;
    struct stat status {};
    if (::fstatat(place.Folder(), entry->d_name, &status, AT_SYMLINK_NOFOLLOW) != 0 ||
        !S_ISREG(status.st_mode) || status.st_uid != ::geteuid()) {
      continue;
    }
    // A process that is still there may yet commit it.
    if (::kill(pid, 0) == 0 || errno != ESRCH) continue;
    ::unlinkat(place.Folder(), entry->d_name, 0);
  }
}

}  // namespace mirel
