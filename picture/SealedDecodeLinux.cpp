#include "SealedDecode.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "picture/PassedFile.h"
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
pid_t Spawn(const std::vector<std::string>& arguments, int input, int output) {
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

// Helpers ended but not yet gone, reaped as the next one starts.
std::mutex endingLock;
std::vector<pid_t> ending;

void ReapEnded() {
  const std::lock_guard<std::mutex> hold(endingLock);
  std::erase_if(ending, [](pid_t pid) {
    int status = 0;
    return Reaped(pid, status, 0);
  });
}

// A helper started for a box: it loads and seals itself, then waits on its
// standard input, a socket, for the file; its reply comes through a pipe.
// Ended, if it has not ended, when it goes.
class ChildHelper final : public Helper {
 public:
  ChildHelper() = default;
  ChildHelper(int boxWidth, int boxHeight) : width_(boxWidth), height_(boxHeight) {
    ReapEnded();
    int files[2], reply[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, files) != 0) return;
    files_ = files[0];
    if (pipe2(reply, O_CLOEXEC) != 0) {
      close(files[1]);
      return;
    }
    reply_ = reply[0];
    // Room for the whole reply, so the helper writes it at once.
    fcntl(reply[1], F_SETPIPE_SZ, int(kReplyHeaderBytes) + 4 * boxWidth * boxHeight);
    pid_ = Spawn({std::to_string(boxWidth), std::to_string(boxHeight)}, files[1], reply[1]);
    close(files[1]);
    close(reply[1]);
  }
  ~ChildHelper() override { Release(); }
  ChildHelper(ChildHelper&& other) noexcept { *this = std::move(other); }
  ChildHelper& operator=(ChildHelper&& other) noexcept {
    std::swap(pid_, other.pid_);
    std::swap(files_, other.files_);
    std::swap(reply_, other.reply_);
    std::swap(width_, other.width_);
    std::swap(height_, other.height_);
    return *this;
  }

  // Started for this box and still waiting for its file.
  bool ReadyFor(int boxWidth, int boxHeight) {
    int status = 0;
    if (pid_ > 0 && Reaped(pid_, status, 0)) pid_ = -1;
    return pid_ > 0 && files_ >= 0 && width_ == boxWidth && height_ == boxHeight;
  }
  bool Started() const { return pid_ > 0; }

  // The file goes to it as a descriptor; false when it could not be sent.
  bool Send(int fd) {
    const bool sent = SendFile(files_, fd);
    close(std::exchange(files_, -1));  // one file a helper
    return sent;
  }

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
    if (pid_ <= 0) return HelperEnd::Failed;
    if (!Reaped(pid_, status, milliseconds)) return std::nullopt;
    pid_ = -1;
    if (WIFSIGNALED(status))
      return WTERMSIG(status) == SIGXCPU || WTERMSIG(status) == SIGKILL ? HelperEnd::Limited
                                                                        : HelperEnd::Crashed;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? HelperEnd::Replied : HelperEnd::Failed;
  }

 private:
  // A helper still running is ended; one that has not yet gone is reaped
  // later, so the game waits for no helper's end it does not need.
  void Release() {
    if (pid_ > 0) {
      Kill();
      int status = 0;
      if (!Reaped(pid_, status, 0)) {
        const std::lock_guard<std::mutex> hold(endingLock);
        ending.push_back(pid_);
      }
      pid_ = -1;
    }
    for (int fd : {files_, reply_})
      if (fd >= 0) close(fd);
    files_ = reply_ = -1;
  }

  pid_t pid_ = -1;
  int files_ = -1;
  int reply_ = -1;
  int width_ = 0;
  int height_ = 0;
};

// The helper started ahead for the next picture.
std::mutex readyLock;
ChildHelper ready;

ChildHelper ReadyHelper(int boxWidth, int boxHeight) {
  ChildHelper helper;
  {
    const std::lock_guard<std::mutex> hold(readyLock);
    helper = std::move(ready);
  }
  return helper.ReadyFor(boxWidth, boxHeight) ? std::move(helper) : ChildHelper(boxWidth, boxHeight);
}

}  // namespace

void SetDecoderPath(std::filesystem::path path) {
  DecoderPath() = std::move(path);
  const std::lock_guard<std::mutex> hold(readyLock);
  ready = ChildHelper();
}

void PrepareSealed(int boxWidth, int boxHeight) {
  const std::lock_guard<std::mutex> hold(readyLock);
  if (!ready.ReadyFor(boxWidth, boxHeight)) ready = ChildHelper(boxWidth, boxHeight);
}

LoadedPicture DecodeSealed(int fd, int boxWidth, int boxHeight, const std::function<bool()>& stillLoading) {
  ChildHelper helper = ReadyHelper(boxWidth, boxHeight);
  // One that ended while it waited is started again; one that will not take
  // the file then ends, and the waiting tells how.
  if (!helper.Send(fd)) {
    helper = ChildHelper(boxWidth, boxHeight);
    helper.Send(fd);
  }
  if (!helper.Started()) return {Bitmap(), PictureFault::Unreadable};
  return AwaitReply(helper, boxWidth, boxHeight, stillLoading);
}

int ProbeSealedDecoder() {
  const pid_t pid = Spawn({"--probe-seal"}, -1, -1);
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
