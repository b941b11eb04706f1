#include "SealedDecode.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "platform/Diagnostics.h"
#include "platform/ExecutableFolder.h"

extern char** environ;

namespace mirel::picture {

namespace {

std::filesystem::path& DecoderPath() {
  static std::filesystem::path path = ExecutableFolder() / "mirel-decode";
  return path;
}

LoadedPicture Fault(PictureFault fault) { return {Bitmap(), fault}; }

// Closes a descriptor at the end of its scope.
struct Closer {
  int fd;
  ~Closer() {
    if (fd >= 0) close(fd);
  }
};

// The helper as a child process and the reading end of its pipe.
class ChildHelper final : public Helper {
 public:
  ChildHelper(pid_t pid, int reply) : pid_(pid), reply_(reply) {}

  long long Read(char* out, long long n, int milliseconds) override {
    pollfd ready{reply_, POLLIN, 0};
    const int polled = poll(&ready, 1, milliseconds);
    if (polled < 0) return errno == EINTR ? 0 : -1;
    if (polled == 0) return 0;
    const ssize_t got = read(reply_, out, std::size_t(n));
    if (got < 0) return errno == EINTR ? 0 : -1;
    return got == 0 ? -1 : got;
  }

  void Kill() override { kill(pid_, SIGKILL); }

  HelperEnd Wait() override {
    int status = 0;
    while (waitpid(pid_, &status, 0) < 0)
      if (errno != EINTR) return HelperEnd::Crashed;
    if (WIFSIGNALED(status))
      return WTERMSIG(status) == SIGXCPU || WTERMSIG(status) == SIGKILL ? HelperEnd::Limited
                                                                        : HelperEnd::Crashed;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? HelperEnd::Replied : HelperEnd::Failed;
  }

 private:
  pid_t pid_;
  int reply_;
};

}  // namespace

void SetDecoderPath(std::filesystem::path path) { DecoderPath() = std::move(path); }

LoadedPicture DecodeSealed(int fd, int boxWidth, int boxHeight, const std::function<bool()>& stillLoading) {
  int ends[2];
  if (pipe2(ends, O_CLOEXEC) != 0) return Fault(PictureFault::Unreadable);
  Closer reading{ends[0]}, writing{ends[1]};

  // The helper's standard input is the file, its standard output the pipe;
  // every other descriptor of the game stays behind (all are close-on-exec).
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, fd, 0);
  posix_spawn_file_actions_adddup2(&actions, ends[1], 1);
  const std::string program = DecoderPath().string();
  const std::string width = std::to_string(boxWidth), height = std::to_string(boxHeight);
  std::vector<char*> argv = {const_cast<char*>(program.c_str()), const_cast<char*>(width.c_str()),
                             const_cast<char*>(height.c_str()), nullptr};
  pid_t pid = -1;
  const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) {
    Diagnose("the picture decoder could not be started (" + program + ": " + std::strerror(spawned) + ")");
    return Fault(PictureFault::Unreadable);
  }
  close(writing.fd);
  writing.fd = -1;
  ChildHelper helper(pid, reading.fd);
  return AwaitReply(helper, boxWidth, boxHeight, stillLoading);
}

}  // namespace mirel::picture
