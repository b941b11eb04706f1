#include "support/AtomicSave.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>
#include <system_error>
#include <utility>

namespace mirel {
namespace {

namespace fs = std::filesystem;

std::string ErrnoText(int error) { return std::generic_category().message(error); }

// Closes a descriptor on every way out.
class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int Get() const { return fd_; }
  // Closes now: a failing close can be the first sign of lost data.
  int Close() {
    const int result = ::close(fd_);
    fd_ = -1;
    return result;
  }

 private:
  int fd_;
};

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

// A name of our own in the file's folder: hidden, and unlikely to meet
// another process's, which O_EXCL settles anyway.
fs::path StagingName(const fs::path& file, unsigned attempt) {
  static std::atomic<unsigned> counter{0};
  static const unsigned salt = std::random_device{}();
  const std::string suffix = std::to_string(::getpid()) + "-" + std::to_string(counter++) + "-" +
                             std::to_string(salt ^ (attempt * 2654435761u));
  return file.parent_path() / ("." + file.filename().string() + ".new-" + suffix);
}

// Makes the folder's entry for a rename durable too. Best effort: some file
// systems cannot sync a folder, and the file's data is already on disk.
void SyncFolder(const fs::path& folder) {
  const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

bool RenameNoReplace(const fs::path& from, const fs::path& to, int& error) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
  error = errno;
  if (error != EINVAL && error != ENOSYS) return false;
  // A file system without that rename: a hard link fails just the same when
  // the name is taken.
  if (::link(from.c_str(), to.c_str()) != 0) {
    error = errno;
    return false;
  }
  ::unlink(from.c_str());
  return true;
}

}  // namespace

std::optional<FileIdentity> IdentityOf(const fs::path& file) {
  struct stat status {};
  if (::stat(file.c_str(), &status) != 0) return std::nullopt;
  return FileIdentity{status.st_dev, status.st_ino};
}

fs::path SaveTarget(const fs::path& file) {
  fs::path target = file;
  // A bounded walk, so a loop of links ends.
  for (int hop = 0; hop < 40; ++hop) {
    std::error_code error;
    if (!fs::is_symlink(target, error)) return target;
    const fs::path next = fs::read_symlink(target, error);
    if (error) return target;
    target = next.is_absolute() ? next : target.parent_path() / next;
  }
  return file;
}

StagedFile::StagedFile(fs::path file, fs::path staged) : file_(std::move(file)), staged_(std::move(staged)) {}

StagedFile::StagedFile(StagedFile&& other) noexcept
    : file_(std::move(other.file_)), staged_(std::exchange(other.staged_, fs::path())) {}

StagedFile::~StagedFile() {
  if (!staged_.empty()) ::unlink(staged_.c_str());
}

std::optional<StagedFile> StagedFile::Write(const fs::path& file, std::string_view bytes,
                                            bool keepOwnerAndMode, std::string& error) {
  fs::path staged;
  int fd = -1;
  for (unsigned attempt = 0; fd < 0 && attempt < 100; ++attempt) {
    staged = StagingName(file, attempt);
    // 0666 less the umask, as any newly made file gets.
    fd = ::open(staged.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) break;
  }
  if (fd < 0) {
    error = ErrnoText(errno);
    return std::nullopt;
  }
  Descriptor out(fd);
  StagedFile result(file, staged);  // removes the new file on every failure below

  if (keepOwnerAndMode) {
    struct stat old {};
    if (::stat(file.c_str(), &old) == 0) {
      // Each may be refused (another user's file, a group we are not in);
      // the save still goes ahead with what is allowed.
      if (::fchown(out.Get(), old.st_uid, old.st_gid) != 0) {
        [[maybe_unused]] const int ignored = ::fchown(out.Get(), static_cast<uid_t>(-1), old.st_gid);
      }
      ::fchmod(out.Get(), old.st_mode & 07777);
    }
  }
  if (!WriteAll(out.Get(), bytes) || ::fsync(out.Get()) != 0 || out.Close() != 0) {
    error = ErrnoText(errno);
    return std::nullopt;
  }
  return result;
}

bool StagedFile::Commit(std::string& error) {
  if (::rename(staged_.c_str(), file_.c_str()) != 0) {
    error = ErrnoText(errno);
    return false;
  }
  staged_.clear();
  SyncFolder(file_.parent_path());
  return true;
}

bool WriteFileAtomically(const fs::path& file, std::string_view bytes, std::string& error) {
  std::optional<StagedFile> staged = StagedFile::Write(file, bytes, true, error);
  return staged && staged->Commit(error);
}

std::optional<fs::path> MoveAside(const fs::path& file, std::string& error) {
  for (int n = 1; n <= 99; ++n) {
    fs::path backup = file;
    backup += n == 1 ? std::string(".bak") : ".bak." + std::to_string(n);
    int code = 0;
    if (RenameNoReplace(file, backup, code)) {
      SyncFolder(file.parent_path());
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

bool MoveBack(const fs::path& backup, const fs::path& file) {
  int ignored = 0;
  return RenameNoReplace(backup, file, ignored);
}

}  // namespace mirel
