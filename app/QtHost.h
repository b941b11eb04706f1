#pragma once
// The desktop as the game sees it: Qt message boxes and file dialog, a blocking
// pause, the event pump, and the window's refresh.

#include <QString>

#include "platform/Host.h"

namespace mirel {

class Form1Window;

// The dialog filter for a file filter, e.g. "画像ファイル (*.bmp *.BMP)". File
// dialogs may match case-sensitively, so each pattern also comes in upper case.
QString DialogFilter(const FileFilter& filter);

class QtHost : public Host {
 public:
  QtHost() = default;
  // The window that dialogs belong to and that Refresh repaints; may be null.
  void SetWindow(Form1Window* window) { window_ = window; }

  MsgAnswer MessageBox(const std::string& text, MsgButtons buttons, MsgAnswer defaultButton,
                       const std::string& title) override;
  std::optional<std::string> OpenFileDialog(const std::string& title, const FileFilter& filter) override;
  void Sleep(int milliseconds) override;
  void DoEvents() override;
  void Refresh() override;
  void Busy(bool on) override;
  // The window was shown and is now closed.
  bool CloseRequested() override;

 private:
  Form1Window* window_ = nullptr;
};

}  // namespace mirel
