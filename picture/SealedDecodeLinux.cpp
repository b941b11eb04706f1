#include "SealedDecode.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>
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

// Waits for the child's end, at most `milliseconds` (-1: however long).
bool Reaped(pid_t pid, int& status, int milliseconds) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  for (;;) {
    const pid_t got = waitpid(pid, &status, milliseconds < 0 ? 0 : WNOHANG);
    if (got == pid) return true;
    if (got < 0 && errno != EINTR) {  // gone already: nothing to tell
      status = 0;
      return true;
    }
    if (got == 0) {
      if (std::chrono::steady_clock::now() >= until) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  }
}

// Starts the helper with its standard input and output as given (-1: none),
// and no other descriptor of the game (all are close-on-exec): its pid, or -1.
pid_t StartHelper(const std::vector<std::string>& arguments, int input, int output) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (input >= 0) posix_spawn_file_actions_adddup2(&actions, input, 0);
  if (output >= 0) posix_spawn_file_actions_adddup2(&actions, output, 1);
  const std::string program = DecoderPath().string();
  std::vector<char*> argv = {const_cast<char*>(program.c_str())};
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  pid_t pid = -1;
  const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned == 0) return pid;
  Diagnose("the picture decoder could not be started (" + program + ": " + std::strerror(spawned) + ")");
  return -1;
}

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

  std::optional<HelperEnd> Wait(int milliseconds) override {
    int status = 0;
    if (!Reaped(pid_, status, milliseconds)) return std::nullopt;
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
  const pid_t pid = StartHelper({std::to_string(boxWidth), std::to_string(boxHeight)}, fd, writing.fd);
  if (pid < 0) return Fault(PictureFault::Unreadable);
  close(writing.fd);
  writing.fd = -1;
  ChildHelper helper(pid, reading.fd);
  return AwaitReply(helper, boxWidth, boxHeight, stillLoading);
}

int ProbeSealedDecoder() {
  const pid_t pid = StartHelper({"--probe-seal"}, -1, -1);
  int status = 0;
  if (pid < 0) return -1;
  if (!Reaped(pid, status, kSealedDecodeSeconds * 1000)) {
    kill(pid, SIGKILL);
    Reaped(pid, status, -1);
    return -1;
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace mirel::picture
