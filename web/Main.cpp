// The start of the web page's program: opens the support library over the
// files the page put into the module's file system, makes the game and its
// frame, and returns; from then on the page calls in for each press. The
// objects live as long as the page.

#include <emscripten.h>

#include <cstdint>
#include <memory>

#include "WebFrame.h"
#include "WebHost.h"
#include "menu/Form1.h"
#include "menu/GameLibrary.h"
#include "platform/ExecutableFolder.h"
#include "sound/Mci.h"
#include "sound/WebAudioBackend.h"
#include "support/Zentik11.h"

namespace mirel {
namespace {

struct Page {
  WebAudioBackend audio;
  MciInterpreter mci{audio};
  std::unique_ptr<Zentik11> lib;
  WebHost host;
  std::unique_ptr<Form1> form;
  std::unique_ptr<WebFrame> frame;
};

Page& ThePage() {
  static Page page;
  return page;
}

// The page keeps the record file's bytes in the browser's storage, or says
// beside the game why there are none to keep.
EM_JS(void, PageKeepRecords, (), { Module.mirelPage.keepRecords(); });
EM_JS(void, PageSay, (const char* text), { Module.mirelPage.say(UTF8ToString(text)); });
EM_JS(void, PageStarted, (), { Module.mirelPage.started(); });

}  // namespace
}  // namespace mirel

extern "C" {

EMSCRIPTEN_KEEPALIVE void mirel_press(int button, int shift, double x, double y) {
  mirel::ThePage().frame->Press(std::int16_t(button), std::int16_t(shift), x, y);
}

EMSCRIPTEN_KEEPALIVE void mirel_release(int button, double x, double y) {
  mirel::ThePage().frame->Release(std::int16_t(button), x, y);
}

EMSCRIPTEN_KEEPALIVE void mirel_let_go() { mirel::ThePage().frame->LetGo(); }

EMSCRIPTEN_KEEPALIVE void mirel_rescale(int scale) { mirel::ThePage().frame->Rescale(scale); }

}  // extern "C"

int main() {
  using namespace mirel;
  Page& page = ThePage();
  page.lib = OpenLibrary(page.mci, ExecutableFolder(), {});
  page.form = std::make_unique<Form1>(page.host, *page.lib);
  page.frame = std::make_unique<WebFrame>(*page.form);
  page.host.SetFrame(page.frame.get());
  page.form->Form_Load();
  PageStarted();
  // A page may be closed without a word, so the records are written at the
  // start rather than at the end (the game changes none of them in between),
  // once the title shows. A failure is said beside the game, not in a box:
  // the page already takes presses, and the start may not wait for an answer.
  if (const std::optional<SaveFailure> failure = page.lib->SaveRecords())
    PageSay(SaveFailureText(*failure).c_str());
  else
    PageKeepRecords();
  return 0;
}
