#include "support/AtomicSave.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <charconv>
#include <memory>
#include <random>
#include <system_error>
#include <utility>

namespace mirel {
namespace {

namespace fs = std::filesystem;

constexpr const char* kTakenMeanwhile = "another file has taken its name since it was checked";

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

std::string StagingPrefix(const std::string& name) { return "." + name + ".new-"; }

// A name of our own in the file's folder: hidden, and unlikely to meet
// another process's, which O_EXCL or link's refusal of a taken name settles
// anyway. It starts with the process id, so a later run can tell one left
// by a process that is gone.
std::string StagingName(const std::string& name, unsigned attempt) {
  static std::atomic<unsigned> counter{0};
  static const unsigned salt = std::random_device{}();
  return StagingPrefix(name) + std::to_string(::getpid()) + "-" + std::to_string(counter++) + "-" +
         std::to_string(salt ^ (attempt * 2654435761u));
}

// The process id in `entry` when it is a staging name of `name`'s: the
// prefix, then three runs of digits joined by "-".
std::optional<pid_t> StagingPid(std::string_view entry, const std::string& name) {
  const std::string prefix = StagingPrefix(name);
  if (entry.substr(0, prefix.size()) != prefix) return std::nullopt;
  entry.remove_prefix(prefix.size());
  long pid = 0;
  for (int field = 0; field < 3; ++field) {
    long number = 0;
    const auto [end, error] = std::from_chars(entry.data(), entry.data() + entry.size(), number);
    if (error != std::errc() || end == entry.data() || number < 0) return std::nullopt;
    if (field == 0) pid = number;
    entry.remove_prefix(static_cast<std::size_t>(end - entry.data()));
    if (field < 2) {
      if (entry.empty() || entry.front() != '-') return std::nullopt;
      entry.remove_prefix(1);
    }
  }
  if (!entry.empty() || pid <= 0 || pid != static_cast<pid_t>(pid)) return std::nullopt;
  return static_cast<pid_t>(pid);
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
      std::string staged = StagingName(place.Name(), attempt);
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
    staged = StagingName(place.Name(), attempt);
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

bool WriteFileAtomically(const fs::path& file, std::string_view bytes, std::string& error) {
  const CheckedFile place = CheckedFile::Open(file);
  if (place.Found() == CheckedFile::Kind::Refused) {
    error = "left alone, as " + place.Refusal();
    return false;
  }
  std::optional<StagedFile> staged = StagedFile::Write(place, bytes, true, error);
  return staged && staged->Commit(place.Identity(), error);
}

std::optional<std::string> MoveAside(const CheckedFile& place, std::string& error) {
  const std::optional<FileIdentity> checked = place.Identity();
  if (!checked || !StillThere(place.Folder(), place.Name(), *checked)) {
    error = kTakenMeanwhile;
    return std::nullopt;
  }
  for (int n = 1; n <= 99; ++n) {
    std::string backup = place.Name() + (n == 1 ? std::string(".bak") : ".bak." + std::to_string(n));
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
    const std::optional<pid_t> pid = StagingPid(entry->d_name, place.Name());
    if (!pid || *pid == ::getpid()) continue;
    struct stat status {};
    if (::fstatat(place.Folder(), entry->d_name, &status, AT_SYMLINK_NOFOLLOW) != 0 ||
        !S_ISREG(status.st_mode) || status.st_uid != ::geteuid()) {
      continue;
    }
    // A process that is still there may yet commit it.
    if (::kill(*pid, 0) == 0 || errno != ESRCH) continue;
    ::unlinkat(place.Folder(), entry->d_name, 0);
  }
}

}  // namespace mirel
