#include "WebHost.h"

#include <emscripten.h>

#include <array>
#include <string>

#include "WebFrame.h"

namespace mirel {
namespace {

// The page's dialogs (web/page/page.js); the program waits for their answer.
EM_ASYNC_JS(int, PageMessage, (const char* text, int yesNo, int defaultNo, const char* title), {
  return await Module.mirelPage.message(UTF8ToString(text), !!yesNo, !!defaultNo, UTF8ToString(title));
});
EM_ASYNC_JS(int, PagePickFile, (const char* title, const char* accept, char* path, int capacity), {
  const picked = await Module.mirelPage.pickFile(UTF8ToString(title), UTF8ToString(accept));
  if (!picked) return 0;
  stringToUTF8(picked, path, capacity);
  return 1;
});
EM_JS(void, PageBusy, (int on), { Module.mirelPage.busy(!!on); });

}  // namespace

MsgAnswer WebHost::MessageBox(const std::string& text, MsgButtons buttons, MsgAnswer defaultButton,
                              const std::string& title) {
  const bool yesNo = buttons == MsgButtons::YesNo;
  const int answer = PageMessage(text.c_str(), yesNo, defaultButton == MsgAnswer::No, title.c_str());
  if (!yesNo) return MsgAnswer::Ok;
  return answer == 1 ? MsgAnswer::Yes : MsgAnswer::No;
}

std::optional<std::string> WebHost::OpenFileDialog(const std::string& title, const FileFilter& filter) {
  // The picker's filter by extension: ".bmp,.gif,...".
  std::string accept;
  for (const std::string& pattern : filter.patterns)
    accept += (accept.empty() ? "" : ",") + pattern.substr(pattern.find('.'));
  std::array<char, 1024> path{};
  if (!PagePickFile(title.c_str(), accept.c_str(), path.data(), int(path.size()))) return std::nullopt;
  return std::string(path.data());
}

void WebHost::Sleep(int milliseconds) { emscripten_sleep(unsigned(milliseconds)); }

// The page runs for a moment: it paints what was drawn, and input meanwhile
// is no input, as the game expects while it works.
void WebHost::DoEvents() { emscripten_sleep(0); }

void WebHost::Refresh() {
  if (frame_) frame_->Paint();
}

void WebHost::Busy(bool on) { PageBusy(on); }

}  // namespace mirel
