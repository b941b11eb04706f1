#pragma once
// The desktop as the game sees it on Windows: the system's message box and
// open-file dialog, a blocking pause, the message pump, and the window's
// refresh.

#include "platform/Host.h"

namespace mirel {

class Form1Frame;

class Win32Host : public Host {
 public:
  // The window that dialogs belong to and that Refresh repaints; may be null.
  void SetFrame(Form1Frame* frame) { frame_ = frame; }

  MsgAnswer MessageBox(const std::string& text, MsgButtons buttons, MsgAnswer defaultButton,
                       const std::string& title) override;
  std::optional<std::string> OpenFileDialog(const std::string& title, const FileFilter& filter) override;
  void Sleep(int milliseconds) override;
  void DoEvents() override;
  void Refresh() override;
  void Busy(bool on) override;

 private:
  Form1Frame* frame_ = nullptr;
};

}  // namespace mirel
