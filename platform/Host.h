#pragma once
// What the game asks of the desktop. The application implements it with real
// dialogs and the window; tests implement it with a script of answers and a log.

#include <optional>
#include <string>
#include <vector>

namespace mirel {

enum class MsgButtons { Ok, YesNo };
enum class MsgAnswer { Ok, Yes, No };

struct FileFilter {
  std::string description;            // e.g. "画像ファイル"
  std::vector<std::string> patterns;  // e.g. {"*.bmp", "*.gif"}
};

class Host {
 public:
  virtual ~Host() = default;
  // Modal message box without an icon. Texts are UTF-8.
  virtual MsgAnswer MessageBox(const std::string& text, MsgButtons buttons, MsgAnswer defaultButton,
                               const std::string& title) = 0;
  // Modal open-file dialog; nothing when cancelled. The path is UTF-8.
  virtual std::optional<std::string> OpenFileDialog(const std::string& title,
                                                    const FileFilter& filter) = 0;
  // Blocks for the given time; no input is handled meanwhile.
  virtual void Sleep(int milliseconds) = 0;
  // Lets pending window events run once.
  virtual void DoEvents() = 0;
  // Shows the window's kept image and labels now.
  virtual void Refresh() = 0;
  // Shows the busy cursor over the window, or takes it away; nothing else on
  // screen changes.
  virtual void Busy(bool on) = 0;
  // Whether the player has closed the window while a handler runs, so that
  // the handler ends what it waits for.
  virtual bool CloseRequested() { return false; }
};

}  // namespace mirel
