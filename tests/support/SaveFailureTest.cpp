// Saves that cannot succeed: the old file must stay whole, the failure must be
// reported, and the sound channels must still be stopped and closed. Also a
// save cut short by a kill leaves the old file or the new one, nothing between.
//
// Each case runs in a child process, because it changes what the process may
// do (a file size limit, a private mount table) or is killed outright.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <functional>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "sound/AudioBackend.h"
#include "sound/Mci.h"
#include "support/Zentik11.h"
#include "tests/support/TestFolder.h"

namespace mirel {
namespace {

namespace fs = std::filesystem;

const std::vector<std::string> kClosing = {"stop \"0\"",  "close \"0\"", "stop \"1\"",
                                           "close \"1\"", "stop \"2\"",  "close \"2\""};

// Runs `body` in a child process and returns what it returned: empty when all
// held, "SKIP: ..." when this machine cannot stage the case, else the fault.
std::string InChild(const std::function<std::string()>& body) {
  int pipeFds[2];
  if (pipe(pipeFds) != 0) return std::string("pipe: ") + std::strerror(errno);
  const pid_t pid = fork();
  if (pid < 0) return std::string("fork: ") + std::strerror(errno);
  if (pid == 0) {
    close(pipeFds[0]);
    std::string result;
    try {
      result = body();
    } catch (const std::exception& e) {
      result = std::string("exception: ") + e.what();
    }
    const ssize_t ignored = write(pipeFds[1], result.data(), result.size());
    (void)ignored;
    _exit(0);
  }
  close(pipeFds[1]);
  std::string result;
  char buffer[512];
  for (ssize_t n; (n = read(pipeFds[0], buffer, sizeof buffer)) > 0;)
    result.append(buffer, static_cast<std::size_t>(n));
  close(pipeFds[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
    return "child died: status " + std::to_string(status) + " " + result;
  return result;
}

#define CHECK_OR_RETURN(cond, what) \
  if (!(cond)) return what

// Sends standard error to `file` for the rest of the child's life.
void RedirectStderr(const fs::path& file) {
  const int fd = open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd >= 0) {
    dup2(fd, STDERR_FILENO);
    close(fd);
  }
}

std::vector<std::string> Commands(const MciInterpreter& mci) {
  std::vector<std::string> commands;
  for (const MciInterpreter::Entry& entry : mci.Log()) commands.push_back(entry.command);
  return commands;
}

std::set<std::string> Entries(const fs::path& folder) {
  std::set<std::string> names;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder))
    names.insert(entry.path().filename());
  return names;
}

// One run whose save must fail: registers channels 1 and 2, writes a text of
// `textBytes`, and checks the outcome. `folder` holds the record file; `log`
// is where standard error goes, outside it.
std::string FailingRun(const fs::path& folder, const fs::path& log, const std::string& reportHas,
                       std::size_t textBytes = 20000) {
  const fs::path file = folder / "Mirel.mtt";
  const std::string before = test::Slurp(file);
  const std::set<std::string> namesBefore = Entries(folder);
  RedirectStderr(log);
  SilentAudioBackend backend;
  MciInterpreter mci(backend, CommandLog::Kept);
  {
    Zentik11 lib(mci, file);
    lib.SoundSet(1, (folder / "Sound1.wav").string(), false);
    lib.SoundSet(2, (folder / "Sound2.wav").string(), false);
    std::string text(textBytes, 'x');
    lib.WriteText(text, "long", true);
    mci.ClearLog();
  }
  CHECK_OR_RETURN(test::Slurp(file) == before, "the old file changed");
  CHECK_OR_RETURN(Entries(folder) == namesBefore, "a file was left behind or removed");
  CHECK_OR_RETURN(Commands(mci) == kClosing, "the sounds were not stopped and closed in order");
  const std::string report = test::Slurp(log);
  CHECK_OR_RETURN(report.find(reportHas) != std::string::npos, "no report on standard error: " + report);
  return {};
}

// A private mount table with a small tmpfs at `where`, so the case can make a
// read-only or full file system even as root. False when not permitted here.
bool MountSmallTmpfs(const fs::path& where, std::string& why) {
  if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
      mount("tmpfs", where.c_str(), "tmpfs", 0, "size=16k,mode=0755") != 0) {
    why = std::string("SKIP: cannot mount a tmpfs here: ") + std::strerror(errno);
    return false;
  }
  return true;
}

void ExpectPassed(const std::string& result) {
  if (result.rfind("SKIP: ", 0) == 0) GTEST_SKIP() << result.substr(6);
  EXPECT_EQ(result, "");
}

TEST(SaveFailure, WriteCutShortByAFileSizeLimit) {
  test::TestFolder folder;
  fs::create_directory(folder.Path() / "data");
  test::Spit(folder.Path() / "data" / "Mirel.mtt", "\"1/k/n\"\r\n");
  ExpectPassed(InChild([&] {
    // Writes past 4 KiB now fail with EFBIG, as on a full disk.
    signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = 4096;
    if (setrlimit(RLIMIT_FSIZE, &limit) != 0) return std::string("SKIP: cannot limit file sizes");
    return FailingRun(folder.Path() / "data", folder.Path() / "stderr.txt", "could not save the record file");
  }));
}

TEST(SaveFailure, ReadOnlyFolder) {
  test::TestFolder folder;
  const fs::path data = folder.Path() / "data";
  fs::create_directory(data);
  ExpectPassed(InChild([&] {
    std::string why;
    if (!MountSmallTmpfs(data, why)) return why;
    test::Spit(data / "Mirel.mtt", "\"1/k/n\"\r\n");
    if (mount(nullptr, data.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) != 0) {
      return std::string("SKIP: cannot remount read-only: ") + std::strerror(errno);
    }
    std::string result = FailingRun(data, folder.Path() / "stderr1.txt", "could not save the record file");
    if (!result.empty()) return result;
    // An unreadable file whose copy cannot be kept is left alone, not replaced.
    umount(data.c_str());
    if (!MountSmallTmpfs(data, why)) return why;
    test::Spit(data / "Mirel.mtt", "\"1/k\"\r\n");
    mount(nullptr, data.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr);
    return FailingRun(data, folder.Path() / "stderr2.txt", "the old file is left as it was");
  }));
}

// Small writes fail only when they reach the disk: a save that did not
// check that replaced a small file with an empty one and called it a success.
TEST(SaveFailure, FullDeviceLeavesEveryOldByte) {
  const std::string elevenKilobytes = [] {
    std::string file;
    for (int k = 0; file.size() < 11 * 1024; ++k)
      file += "\"" + std::to_string(k) + "/k" + std::to_string(k) + "/n\"\r\n";
    return file;
  }();
  const std::pair<const char*, std::string> files[] = {
      {"a small valid file", "\"1/k/n\"\r\n"},
      {"an 11 KB valid file", elevenKilobytes},
      {"an unreadable file", "\"1/k\"\r\n"},
  };
  for (const std::size_t free : {std::size_t(0), std::size_t(4096)}) {
    for (const auto& [what, old] : files) {
      SCOPED_TRACE(std::string(what) + " with " + std::to_string(free) + " bytes free");
      test::TestFolder folder;
      const fs::path data = folder.Path() / "data";
      fs::create_directory(data);
      ExpectPassed(InChild([&, &old = old] {
        std::string why;
        if (!MountSmallTmpfs(data, why)) return why;
        test::Spit(data / "Mirel.mtt", old);
        // Fill the device, then give back what is to stay free.
        const int fd = open((data / "filler").c_str(), O_WRONLY | O_CREAT, 0644);
        const std::string block(1024, 'f');
        while (write(fd, block.data(), block.size()) > 0) {
        }
        if (free > 0 && ftruncate(fd, lseek(fd, 0, SEEK_END) - off_t(free)) != 0)
          return std::string("truncate");
        close(fd);
        // 6000 bytes: more than is free, less than any write buffer.
        return FailingRun(data, folder.Path() / "stderr.txt", "the old file is left as it was", 6000);
      }));
    }
  }
}

TEST(SaveInterrupted, KillLeavesTheOldFileOrTheNewOne) {
  test::TestFolder folder;
  const fs::path file = folder.RecordFile();
  const std::string longText(30000, 'L');
  // The whole files a run can leave: key 1's value as it starts, "short", or long.
  std::set<std::string> wholeFiles;
  std::string start;
  {
    SilentAudioBackend backend;
    MciInterpreter mci(backend, CommandLog::Kept);
    for (const std::string& value : {std::string("500"), std::string("short"), longText}) {
      {
        Zentik11 lib(mci, file);
        std::string text = value;
        lib.WriteText(text, "1", false);
      }
      wholeFiles.insert(test::Slurp(file));
      if (start.empty()) start = test::Slurp(file);
    }
  }
  ASSERT_EQ(wholeFiles.size(), 3u);
  test::Spit(file, start);

  std::mt19937 random(20240607);
  for (int round = 0; round < 40; ++round) {
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      SilentAudioBackend backend;
      MciInterpreter mci(backend, CommandLog::Kept);
      for (bool longOne = true;; longOne = !longOne) {
        Zentik11 lib(mci, file);
        std::string text = longOne ? longText : "short";
        lib.WriteText(text, "1", false);
        mci.ClearLog();
      }
    }
    std::this_thread::sleep_for(std::chrono::microseconds(random() % 20000));
    kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
    const std::string now = test::Slurp(file);
    EXPECT_EQ(wholeFiles.count(now), 1u) << "round " << round << ": a file of " << now.size() << " bytes";
    EXPECT_FALSE(fs::exists(folder.Backup()));
  }

  // Killed saves left their staged files behind for good. The next save
  // removes those of processes that are gone, and only those.
  const pid_t gone = fork();
  ASSERT_GE(gone, 0);
  if (gone == 0) _exit(0);
  waitpid(gone, nullptr, 0);
  const std::string stale = ".Mirel.mtt.new-" + std::to_string(gone) + "-0-1";
  const std::string running = ".Mirel.mtt.new-" + std::to_string(getppid()) + "-0-1";
  const std::string notOurs = ".Mirel.mtt.new-" + std::to_string(gone) + "-x";
  for (const std::string& name : {stale, running, notOurs}) test::Spit(folder.Path() / name, "staged");
  {
    SilentAudioBackend backend;
    MciInterpreter mci(backend, CommandLog::Kept);
    Zentik11 lib(mci, file);
  }
  EXPECT_EQ(Entries(folder.Path()), (std::set<std::string>{"Mirel.mtt", running, notOurs}));
}

}  // namespace
}  // namespace mirel
