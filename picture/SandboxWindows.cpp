// The decoder's own part of its seal on Windows. The rest is put on by the
// game as it starts it (picture/SealedDecodeWindows.cpp): a job that limits
// its memory and processor time, allows no second process and ends it with
// the game, and a token of low integrity without privileges.

#include "Sandbox.h"

#include <windows.h>

#include <string>

#include "picture/PictureLimits.h"

namespace mirel::picture {

namespace {

template <typename Policy>
void Mitigate(PROCESS_MITIGATION_POLICY which, Policy policy) {
  // What this Windows does not know it does not keep; the job and the token
  // hold all the same.
  SetProcessMitigationPolicy(which, &policy, sizeof policy);
}

}  // namespace

bool Seal() {
  // No code made at run time, no libraries from the network or of low
  // integrity, no extension points that load foreign libraries.
  PROCESS_MITIGATION_DYNAMIC_CODE_POLICY code{};
  code.ProhibitDynamicCode = 1;
  Mitigate(ProcessDynamicCodePolicy, code);
  PROCESS_MITIGATION_IMAGE_LOAD_POLICY images{};
  images.NoRemoteImages = 1;
  images.NoLowMandatoryLabelImages = 1;
  images.PreferSystem32Images = 1;
  Mitigate(ProcessImageLoadPolicy, images);
  PROCESS_MITIGATION_EXTENSION_POINT_DISABLE_POLICY extensions{};
  extensions.DisableExtensionPoints = 1;
  Mitigate(ProcessExtensionPointDisablePolicy, extensions);
  PROCESS_MITIGATION_STRICT_HANDLE_CHECK_POLICY handles{};
  handles.RaiseExceptionOnInvalidHandleReference = 1;
  handles.HandleExceptionsPermanentlyEnabled = 1;
  Mitigate(ProcessStrictHandleCheckPolicy, handles);
  return true;
}

int ProbeSeal() {
  if (!Seal()) return 7;
  // A file written beside the user's others: refused at low integrity.
  wchar_t folder[MAX_PATH + 1];
  const DWORD length = GetTempPathW(MAX_PATH + 1, folder);
  if (length > 0 && length <= MAX_PATH) {
    const std::wstring name =
        std::wstring(folder, length) + L"mirel-probe-" + std::to_wstring(GetCurrentProcessId()) + L".txt";
    const HANDLE file =
        CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      CloseHandle(file);
      return 1;
    }
  }
  // A new program: the job allows one process.
  wchar_t command[] = L"cmd.exe /c exit 3";
  STARTUPINFOW start{};
  start.cb = sizeof start;
  PROCESS_INFORMATION started{};
  if (CreateProcessW(nullptr, command, nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &start,
                     &started)) {
    TerminateProcess(started.hProcess, 0);
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
    return 3;
  }
  // Memory past the job's limit.
  const SIZE_T past = SIZE_T(kPictureMemoryBudget) * 4;
  if (void* big = VirtualAlloc(nullptr, past, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE)) {
    VirtualFree(big, 0, MEM_RELEASE);
    return 5;
  }
  if (!ThreadRuns()) return 6;
  return 0;
}

}  // namespace mirel::picture
