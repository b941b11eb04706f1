#include "Win32Host.h"

#include "Win32.h"
// After windows.h, whose types it uses.
#include <commdlg.h>

#include <algorithm>
#include <string>

#include "Form1Frame.h"
#include "platform/WideText.h"

namespace mirel {

namespace {

// The dialog's filter: the description, then the patterns joined by
// semicolons, each ended by a nul, and one more nul at the end. Windows
// matches patterns without regard to case.
std::wstring DialogFilter(const FileFilter& filter) {
  std::wstring patterns;
  for (const std::string& pattern : filter.patterns) {
    if (!patterns.empty()) patterns += L';';
    patterns += Widen(pattern);
  }
  std::wstring text = Widen(filter.description);
  text += L'\0';
  text += patterns;
  text += L'\0';
  return text;  // c_str() adds the last nul
}

}  // namespace

MsgAnswer Win32Host::MessageBox(const std::string& text, MsgButtons buttons, MsgAnswer defaultButton,
                                const std::string& title) {
  HWND owner = frame_ ? frame_->Handle() : nullptr;
  UINT style = MB_OK;
  if (buttons == MsgButtons::YesNo) style = MB_YESNO | (defaultButton == MsgAnswer::No ? MB_DEFBUTTON2 : 0);
  const int answer = ::MessageBoxW(owner, Widen(text).c_str(), Widen(title).c_str(), style);
  if (buttons == MsgButtons::Ok) return MsgAnswer::Ok;
  return answer == IDYES ? MsgAnswer::Yes : MsgAnswer::No;
}

std::optional<std::string> Win32Host::OpenFileDialog(const std::string& title, const FileFilter& filter) {
  const std::wstring filterText = DialogFilter(filter);
  const std::wstring titleText = Widen(title);
  // Room for the longest path Windows allows.
  std::wstring path(32768, L'\0');
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = frame_ ? frame_->Handle() : nullptr;
  dialog.lpstrFilter = filterText.c_str();
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = path.data();
  dialog.nMaxFile = static_cast<DWORD>(path.size());
  dialog.lpstrTitle = titleText.c_str();
  // The working folder stays where it was; the program never relies on it.
  dialog.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
  if (!::GetOpenFileNameW(&dialog)) return std::nullopt;
  path.resize(path.find(L'\0'));
  return Narrow(path);
}

void Win32Host::Sleep(int milliseconds) {
  // What was last drawn stays on screen for the whole pause. Input that comes
  // meanwhile waits until after.
  if (frame_) frame_->RefreshNow();
  // A wait on the message queue that no message ends: input waits until
  // after, and a system that puts a window's drawing on screen only when its
  // program waits on its queue (Wine) shows the last picture for the pause.
  ::MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(std::max(milliseconds, 0)), 0, 0);
}

void Win32Host::DoEvents() {
  MSG message;
  while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      // The message loop ends the program; it must still see the quit.
      ::PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
}

void Win32Host::Refresh() {
  if (frame_) frame_->RefreshNow();
}

void Win32Host::Busy(bool on) {
  if (frame_) frame_->SetBusy(on);
}

}  // namespace mirel
