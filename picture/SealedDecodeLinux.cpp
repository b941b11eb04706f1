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
#include <vector>

#include "picture/plain/SealedReply.h"
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

  // The reply, read as it comes, while the window lives on.
  std::string reply;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(kSealedDecodeSeconds);
  // Once at the start, so a caller that shows the busy cursor at once does.
  PictureFault stopped = stillLoading && !stillLoading() ? PictureFault::Cancelled : PictureFault::None;
  const std::size_t most = kReplyHeaderBytes + std::size_t(boxWidth) * std::size_t(boxHeight) * 4;
  while (stopped == PictureFault::None) {
    pollfd ready{reading.fd, POLLIN, 0};
    const int polled = poll(&ready, 1, 40);
    if (polled > 0) {
      char buffer[64 * 1024];
      const ssize_t got = read(reading.fd, buffer, sizeof buffer);
      if (got == 0) break;
      if (got < 0 && errno != EINTR && errno != EAGAIN) break;
      if (got > 0) reply.append(buffer, std::size_t(got));
      // More than any reply could be: the helper is not ours to believe.
      if (reply.size() > most) {
        stopped = PictureFault::Damaged;
        break;
      }
    }
    // Also between reads, so a reply that trickles still keeps the window
    // living and the deadline.
    if (std::chrono::steady_clock::now() >= deadline) {
      stopped = PictureFault::TooLarge;
      break;
    }
    if (stillLoading && !stillLoading()) {
      stopped = PictureFault::Cancelled;
      break;
    }
  }
  if (stopped != PictureFault::None) kill(pid, SIGKILL);
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (stopped != PictureFault::None) return Fault(stopped);
  // Stopped by its limits: the file asked for more than the budget.
  if (WIFSIGNALED(status))
    return Fault(WTERMSIG(status) == SIGXCPU || WTERMSIG(status) == SIGKILL ? PictureFault::TooLarge
                                                                            : PictureFault::Damaged);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return Fault(PictureFault::Damaged);
  return ParseReply(reply, boxWidth, boxHeight);
}

}  // namespace mirel::picture
