#pragma once
// What the game asks of the page: its message boxes and the file picker as
// dialogs of the page, which the game waits for as it waits for a desktop's
// modal boxes (the program is suspended meanwhile and the page runs on);
// pauses that let the page paint; the busy cursor.

#include "platform/Host.h"

namespace mirel {

class WebFrame;

class WebHost final : public Host {
 public:
  void SetFrame(WebFrame* frame) { frame_ = frame; }

  MsgAnswer MessageBox(const std::string& text, MsgButtons buttons, MsgAnswer defaultButton,
                       const std::string& title) override;
  std::optional<std::string> OpenFileDialog(const std::string& title, const FileFilter& filter) override;
  void Sleep(int milliseconds) override;
  void DoEvents() override;
  void Refresh() override;
  void Busy(bool on) override;

 private:
  WebFrame* frame_ = nullptr;
};

}  // namespace mirel
