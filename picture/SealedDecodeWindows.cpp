#include "SealedDecode.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "picture/PictureLimits.h"
#include "picture/plain/SealedReply.h"
#include "platform/Diagnostics.h"
#include "platform/ExecutableFolder.h"
#include "platform/Utf8Path.h"

namespace mirel::picture {

namespace {

std::filesystem::path& DecoderPath() {
  static std::filesystem::path path = ExecutableFolder() / L"mirel-decode.exe";
  return path;
}

// Closes a handle at the end of its scope.
class Owned {
 public:
  explicit Owned(HANDLE handle = nullptr) : handle_(handle == INVALID_HANDLE_VALUE ? nullptr : handle) {}
  ~Owned() {
    if (handle_) CloseHandle(handle_);
  }
  Owned(const Owned&) = delete;
  Owned& operator=(const Owned&) = delete;
  Owned(Owned&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
  Owned& operator=(Owned&& other) noexcept {
    std::swap(handle_, other.handle_);
    return *this;
  }
  HANDLE get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }

 private:
  HANDLE handle_;
};

// The job the helper runs in: its memory (the budget, and room for its own
// code and the system's libraries), its processor time, no second process, no
// reach into the desktop, and its end with the game's, however that comes.
Owned SealingJob() {
  Owned job(CreateJobObjectW(nullptr, nullptr));
  if (!job) return job;
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
  limits.BasicLimitInformation.LimitFlags =
      JOB_OBJECT_LIMIT_PROCESS_MEMORY | JOB_OBJECT_LIMIT_PROCESS_TIME | JOB_OBJECT_LIMIT_ACTIVE_PROCESS |
      JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE | JOB_OBJECT_LIMIT_DIE_ON_UNHANDLED_EXCEPTION;
  limits.BasicLimitInformation.PerProcessUserTimeLimit.QuadPart = kSealedDecodeSeconds * 10'000'000LL;
  limits.BasicLimitInformation.ActiveProcessLimit = 1;
  limits.ProcessMemoryLimit = SIZE_T(kPictureMemoryBudget + (64LL << 20));
  JOBOBJECT_BASIC_UI_RESTRICTIONS desktop{
      JOB_OBJECT_UILIMIT_DESKTOP | JOB_OBJECT_UILIMIT_DISPLAYSETTINGS | JOB_OBJECT_UILIMIT_EXITWINDOWS |
      JOB_OBJECT_UILIMIT_GLOBALATOMS | JOB_OBJECT_UILIMIT_HANDLES | JOB_OBJECT_UILIMIT_READCLIPBOARD |
      JOB_OBJECT_UILIMIT_SYSTEMPARAMETERS | JOB_OBJECT_UILIMIT_WRITECLIPBOARD};
  if (!SetInformationJobObject(job.get(), JobObjectExtendedLimitInformation, &limits, sizeof limits) ||
      !SetInformationJobObject(job.get(), JobObjectBasicUIRestrictions, &desktop, sizeof desktop))
    return Owned();
  return job;
}

// The game's own token without its privileges, at low integrity: the helper
// can write nowhere the user's files are, nor reach the game's windows or
// processes.
Owned LowToken() {
  HANDLE own = nullptr, restricted = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(),
                        TOKEN_DUPLICATE | TOKEN_QUERY | TOKEN_ASSIGN_PRIMARY | TOKEN_ADJUST_DEFAULT, &own))
    return Owned();
  const Owned mine(own);
  if (!CreateRestrictedToken(own, DISABLE_MAX_PRIVILEGE, 0, nullptr, 0, nullptr, 0, nullptr, &restricted))
    return Owned();
  Owned token(restricted);
  SID_IDENTIFIER_AUTHORITY labels = SECURITY_MANDATORY_LABEL_AUTHORITY;
  PSID low = nullptr;
  if (!AllocateAndInitializeSid(&labels, 1, SECURITY_MANDATORY_LOW_RID, 0, 0, 0, 0, 0, 0, 0, &low))
    return Owned();
  TOKEN_MANDATORY_LABEL label{};
  label.Label.Attributes = SE_GROUP_INTEGRITY;
  label.Label.Sid = low;
  const bool lowered =
      SetTokenInformation(token.get(), TokenIntegrityLevel, &label, sizeof label + GetLengthSid(low));
  FreeSid(low);
  return lowered ? std::move(token) : Owned();
}

// The helper, running sealed: its process and the job that holds it.
struct Running {
  Owned process;
  Owned job;
};

// Starts the helper with its standard input and output as given (null: none)
// and no other handle of the game's.
bool StartHelper(const std::wstring& arguments, HANDLE input, HANDLE output, Running& started) {
  const std::wstring program = DecoderPath().wstring();
  const auto fail = [](const char* step) {
    Diagnose("the picture decoder could not be started sealed (" + Utf8FromPath(DecoderPath()) + ": " + step +
             ", error " + std::to_string(GetLastError()) + ")");
    return false;
  };
  Owned job = SealingJob();
  if (!job) return fail("job");
  const Owned token = LowToken();
  if (!token) return fail("token");

  // Only the two handles go to it, made inheritable for the start alone.
  std::vector<HANDLE> given;
  std::vector<Owned> copies;
  for (HANDLE handle : {input, output}) {
    HANDLE copy = nullptr;
    if (handle && !DuplicateHandle(GetCurrentProcess(), handle, GetCurrentProcess(), &copy, 0, TRUE,
                                   DUPLICATE_SAME_ACCESS))
      return fail("handles");
    copies.emplace_back(copy);
    if (copy) given.push_back(copy);
  }
  SIZE_T size = 0;
  InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
  std::vector<char> storage(size);
  const auto attributes = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(storage.data());
  if (!InitializeProcThreadAttributeList(attributes, 1, 0, &size)) return fail("attributes");
  const bool listed = given.empty() || UpdateProcThreadAttribute(
                                           attributes, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, given.data(),
                                           given.size() * sizeof(HANDLE), nullptr, nullptr);
  STARTUPINFOEXW start{};
  start.StartupInfo.cb = sizeof start;
  start.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
  start.StartupInfo.hStdInput = copies[0].get();
  start.StartupInfo.hStdOutput = copies[1].get();
  start.lpAttributeList = attributes;
  std::wstring command = L"\"" + program + L"\" " + arguments;
  PROCESS_INFORMATION process{};
  // Suspended until it is in its job, so it runs not a step outside it.
  const bool created =
      listed &&
      CreateProcessAsUserW(token.get(), program.c_str(), command.data(), nullptr, nullptr, !given.empty(),
                           CREATE_SUSPENDED | CREATE_NO_WINDOW | EXTENDED_STARTUPINFO_PRESENT, nullptr,
                           nullptr, &start.StartupInfo, &process);
  DeleteProcThreadAttributeList(attributes);
  if (!created) return fail("start");
  Owned thread(process.hThread);
  started.process = Owned(process.hProcess);
  if (!AssignProcessToJobObject(job.get(), process.hProcess)) {
    TerminateProcess(process.hProcess, 1);
    return fail("job");
  }
  ResumeThread(process.hThread);
  started.job = std::move(job);
  return true;
}

// A pipe for the reply, with room for a whole one. Named, since only a named
// pipe can be read with a deadline (overlapped); the helper's end is opened at
// once, and the pipe takes no other.
bool ReplyPipe(Owned& reading, Owned& writing, DWORD room) {
  static std::atomic<unsigned> made{0};
  const std::wstring name =
      L"\\\\.\\pipe\\mirel-decode-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++made);
  reading = Owned(CreateNamedPipeW(
      name.c_str(), PIPE_ACCESS_INBOUND | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE,
      PIPE_TYPE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, 1, 0, room, 0, nullptr));
  if (!reading) return false;
  writing = Owned(CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  return bool(writing);
}

// Exit statuses that tell of the job's limits: its processor time (the
// system's own status for it) or memory the system would not give.
constexpr DWORD kOutOfMemory = 0xC0000017, kCommitmentLimit = 0xC000012D;

// A helper started for a box: it loads and seals itself, then waits on its
// standard input, a pipe, for the handle of its file, which the game puts
// into it; its reply comes through the reply pipe. Its job ends it, if it has
// not ended, when it goes.
class ChildHelper final : public Helper {
 public:
  ChildHelper(int boxWidth, int boxHeight) : width_(boxWidth), height_(boxHeight) {
    overlapped_.hEvent = event_.get();
    Owned writing, reading;
    HANDLE in = nullptr, out = nullptr;
    if (!event_ || !ReplyPipe(reply_, writing, DWORD(kReplyHeaderBytes) + 4 * DWORD(boxWidth * boxHeight)) ||
        !CreatePipe(&in, &out, nullptr, 0))
      return;
    reading = Owned(in);
    files_ = Owned(out);
    if (!StartHelper(std::to_wstring(boxWidth) + L" " + std::to_wstring(boxHeight), reading.get(),
                     writing.get(), started_))
      started_ = Running();
  }
  ~ChildHelper() override {
    // The read must be over before its buffer goes.
    if (pending_ && CancelIoEx(reply_.get(), &overlapped_)) {
      DWORD got = 0;
      GetOverlappedResult(reply_.get(), &overlapped_, &got, TRUE);
    }
  }
  ChildHelper(const ChildHelper&) = delete;
  ChildHelper& operator=(const ChildHelper&) = delete;

  bool Started() const { return bool(started_.process); }

  // Started for this box and still waiting for its file.
  bool ReadyFor(int boxWidth, int boxHeight) const {
    return Started() && files_ && width_ == boxWidth && height_ == boxHeight &&
           WaitForSingleObject(started_.process.get(), 0) == WAIT_TIMEOUT;
  }

  // The file's handle, made the helper's own, goes to it; false when it
  // could not be sent.
  bool Send(HANDLE file) {
    HANDLE theirs = nullptr;
    bool sent = false;
    if (Started() && DuplicateHandle(GetCurrentProcess(), file, started_.process.get(), &theirs, 0, FALSE,
                                     DUPLICATE_SAME_ACCESS)) {
      const std::uint64_t value = reinterpret_cast<std::uintptr_t>(theirs);
      DWORD wrote = 0;
      sent = WriteFile(files_.get(), &value, sizeof value, &wrote, nullptr) && wrote == sizeof value;
    }
    files_ = Owned();  // one file a helper
    return sent;
  }

  long long Read(char* out, long long n, int milliseconds) override {
    if (!pending_) {
      if (!ReadFile(reply_.get(), buffer_, sizeof buffer_, nullptr, &overlapped_) &&
          GetLastError() != ERROR_IO_PENDING)
        return -1;  // the helper's end of the pipe is closed: the reply has ended
      pending_ = true;
    }
    if (WaitForSingleObject(event_.get(), DWORD(milliseconds)) != WAIT_OBJECT_0) return 0;
    pending_ = false;
    DWORD got = 0;
    if (!GetOverlappedResult(reply_.get(), &overlapped_, &got, FALSE)) return -1;
    kept_.append(buffer_, got);
    const std::size_t take = std::min(kept_.size(), std::size_t(n));
    std::memcpy(out, kept_.data(), take);
    kept_.erase(0, take);
    return static_cast<long long>(take);
  }

  void Kill() override { TerminateJobObject(started_.job.get(), kKilled); }

  std::optional<HelperEnd> Wait(int milliseconds) override {
    if (WaitForSingleObject(started_.process.get(), milliseconds < 0 ? INFINITE : DWORD(milliseconds)) !=
        WAIT_OBJECT_0)
      return std::nullopt;
    DWORD status = 0;
    if (!GetExitCodeProcess(started_.process.get(), &status)) return HelperEnd::Crashed;
    if (status == 0) return HelperEnd::Replied;
    if (status == ERROR_NOT_ENOUGH_QUOTA || status == kOutOfMemory || status == kCommitmentLimit)
      return HelperEnd::Limited;
    return status >= 0xC0000000 ? HelperEnd::Crashed : HelperEnd::Failed;
  }

 private:
  static constexpr UINT kKilled = 0xDEC0DE;

  int width_;
  int height_;
  Running started_;
  Owned reply_;
  Owned files_;
  Owned event_{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
  OVERLAPPED overlapped_{};
  bool pending_ = false;
  char buffer_[64 * 1024];
  std::string kept_;
};

// The helper started ahead for the next picture.
std::mutex readyLock;
std::unique_ptr<ChildHelper> ready;

}  // namespace

void SetDecoderPath(std::filesystem::path path) {
  DecoderPath() = std::move(path);
  const std::lock_guard<std::mutex> hold(readyLock);
  ready.reset();
}

void PrepareSealed(int boxWidth, int boxHeight) {
  const std::lock_guard<std::mutex> hold(readyLock);
  if (!ready || !ready->ReadyFor(boxWidth, boxHeight))
    ready = std::make_unique<ChildHelper>(boxWidth, boxHeight);
}

LoadedPicture DecodeSealed(FileHandle file, int boxWidth, int boxHeight,
                           const std::function<bool()>& stillLoading) {
  std::unique_ptr<ChildHelper> helper;
  {
    const std::lock_guard<std::mutex> hold(readyLock);
    helper = std::move(ready);
  }
  if (!helper || !helper->ReadyFor(boxWidth, boxHeight))
    helper = std::make_unique<ChildHelper>(boxWidth, boxHeight);
  // One that ended while it waited is started again; one that will not take
  // the file then ends, and the waiting tells how.
  if (!helper->Send(file)) {
    helper = std::make_unique<ChildHelper>(boxWidth, boxHeight);
    helper->Send(file);
  }
  if (!helper->Started()) return {Bitmap(), PictureFault::Unreadable};
  return AwaitReply(*helper, boxWidth, boxHeight, stillLoading);
}

int ProbeSealedDecoder() {
  Running started;
  if (!StartHelper(L"--probe-seal", nullptr, nullptr, started)) return -1;
  DWORD status = 0;
  if (WaitForSingleObject(started.process.get(), kSealedDecodeSeconds * 1000) != WAIT_OBJECT_0 ||
      !GetExitCodeProcess(started.process.get(), &status))
    return -1;  // the job ends it as the handle goes
  return int(status);
}

}  // namespace mirel::picture
