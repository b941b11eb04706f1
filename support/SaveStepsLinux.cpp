// A save's steps on Linux: everything by the folder's descriptor and names in
// it, never by a path looked up again.

#include "support/SaveSteps.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <limits>
#include <memory>
#include <system_error>

#include "support/StagingName.h"

namespace mirel::save {
namespace {

std::string ErrnoText(int error) { return std::generic_category().message(error); }

Status<StepError> Failed(int code) {
  return Status<StepError>::Failed({code == EEXIST || code == ENOTEMPTY, ErrnoText(code)});
}

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

EntryName StagingNameOf(const EntryName& name, unsigned attempt) {
  return StagingName(name, OwnProcessId(), attempt);
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
bool LinkNameless(int fd, int folder, const EntryName& name) {
  if (::linkat(fd, "", folder, name.c_str(), AT_EMPTY_PATH) == 0) return true;
  if (errno != ENOENT && errno != EPERM) return false;
  const std::string self = "/proc/self/fd/" + std::to_string(fd);
  return ::linkat(AT_FDCWD, self.c_str(), folder, name.c_str(), AT_SYMLINK_FOLLOW) == 0;
}

}  // namespace

Status<> FolderHeld(const CheckedFile& place) {
  if (place.Folder() >= 0) return kDone;
  return Status<>::Failed(ErrnoText(place.FolderError()));
}

Result<EntryName> WriteStaged(const CheckedFile& place, std::string_view bytes, bool keepOwnerAndMode) {
  const auto failed = [](int code) { return Result<EntryName>::Failed(ErrnoText(code)); };
  const struct stat* old =
      keepOwnerAndMode && place.Found() == CheckedFile::Kind::Regular ? &place.Status() : nullptr;

  // Made without a name and named only when whole, so a run killed while
  // writing leaves nothing behind. 0666 less the umask, as any new file gets.
  Descriptor nameless(::openat(place.Folder(), ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666));
  if (nameless.Valid()) {
    if (!Fill(nameless.Get(), old, bytes)) return failed(errno);
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
      EntryName staged = StagingNameOf(place.Name(), attempt);
      if (LinkNameless(nameless.Get(), place.Folder(), staged)) {
        if (nameless.Close() != 0) {
          const int code = errno;
          Remove(place, staged);
          return failed(code);
        }
        return staged;
      }
      if (errno != EEXIST) break;
    }
    // No way to name it here: written again the named way.
  }

  EntryName staged;
  Descriptor out;
  for (unsigned attempt = 0; !out.Valid() && attempt < 100; ++attempt) {
    staged = StagingNameOf(place.Name(), attempt);
    out = Descriptor(
        ::openat(place.Folder(), staged.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
    if (!out.Valid() && errno != EEXIST) break;
  }
  if (!out.Valid()) return failed(errno);
  if (!Fill(out.Get(), old, bytes) || out.Close() != 0) {
    const int code = errno;
    Remove(place, staged);
    return failed(code);
  }
  return staged;
}

bool StillThere(const CheckedFile& place, const EntryName& name, const FileIdentity& checked) {
  struct stat now {};
  return ::fstatat(place.Folder(), name.c_str(), &now, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(now.st_mode) &&
         FileIdentity{now.st_dev, now.st_ino} == checked;
}

Status<StepError> RenameNoReplace(const CheckedFile& place, const EntryName& from, const EntryName& to) {
  const int folder = place.Folder();
#ifdef RENAME_NOREPLACE
  if (::renameat2(folder, from.c_str(), folder, to.c_str(), RENAME_NOREPLACE) == 0) return kDone;
  if (errno != EINVAL && errno != ENOSYS) return Failed(errno);
#endif
  // A file system without that rename: a hard link fails just the same when
  // the name is taken.
  if (::linkat(folder, from.c_str(), folder, to.c_str(), 0) == 0) {
    ::unlinkat(folder, from.c_str(), 0);
    return kDone;
  }
  if (errno != EPERM && errno != ENOSYS && errno != EOPNOTSUPP && errno != EMLINK) return Failed(errno);
  // Nor links: the name is looked at first. Only the web page's memory file
  // system, which its one program alone writes, comes this far.
  struct stat taken {};
  if (::fstatat(folder, to.c_str(), &taken, AT_SYMLINK_NOFOLLOW) == 0) return Failed(EEXIST);
  return RenameOver(place, from, to);
}

Status<StepError> RenameOver(const CheckedFile& place, const EntryName& from, const EntryName& to) {
  if (::renameat(place.Folder(), from.c_str(), place.Folder(), to.c_str()) == 0) return kDone;
  return Failed(errno);
}

// Best effort: some file systems cannot sync a folder, and the file's data is
// already on disk.
void SyncFolder(const CheckedFile& place) {
  const Descriptor fd(::openat(place.Folder(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (fd.Valid()) ::fsync(fd.Get());
}

void Remove(const CheckedFile& place, const EntryName& name) { ::unlinkat(place.Folder(), name.c_str(), 0); }

std::vector<EntryName> StagingCandidates(const CheckedFile& place, const EntryName&) {
  std::vector<EntryName> names;
  Descriptor listing(::openat(place.Folder(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!listing.Valid()) return names;
  const std::unique_ptr<DIR, int (*)(DIR*)> folder(::fdopendir(listing.Get()), ::closedir);
  if (!folder) return names;
  listing.Release();
  while (const dirent* entry = ::readdir(folder.get())) names.emplace_back(entry->d_name);
  return names;
}

bool IsOwnRegularFile(const CheckedFile& place, const EntryName& name) {
  struct stat status {};
  return ::fstatat(place.Folder(), name.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(status.st_mode) &&
         status.st_uid == ::geteuid();
}

std::uint64_t OwnProcessId() { return static_cast<std::uint64_t>(::getpid()); }

bool ProcessIsGone(std::uint64_t pid) {
  if (pid == 0 || pid > std::uint64_t(std::numeric_limits<pid_t>::max())) return false;
  return ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
}

}  // namespace mirel::save
