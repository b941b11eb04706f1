// The start module on Windows: opens the support library, loads and shows
// the window, and closes the library at the end.

#include "Win32.h"

#include <exception>
#include <filesystem>
#include <memory>
#include <string>

#include "Form1Frame.h"
#include "Win32Host.h"
#include "platform/WideText.h"
#include "menu/Form1.h"
#include "menu/GameLibrary.h"
#include "platform/ExecutableFolder.h"
#include "sound/Mci.h"
#include "sound/WaveOutBackend.h"
#include "support/Zentik11.h"

namespace mirel {

namespace {

int Main(HINSTANCE instance, int showCommand) {
  WaveOutBackend audio;
  MciInterpreter mci(audio);
  // An installed copy lies wherever the player chose: no fixed layout.
  const std::unique_ptr<Zentik11> lib = OpenLibrary(mci, ExecutableFolder(), {});

  int exitCode = 0;
  {
    Win32Host host;
    Form1 form(host, *lib);
    Form1Frame frame(form, instance);
    host.SetFrame(&frame);
    form.Form_Load();  // before the window is first shown, so its drawing shows at once
    frame.Show(showCommand);
    // After the show, so the first paint waits for no sound device.
    audio.StartOutput();
    MSG message;
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
      ::TranslateMessage(&message);
      ::DispatchMessageW(&message);
    }
    exitCode = frame.ExitCode();
    host.SetFrame(nullptr);
    CloseLibrary(*lib, host);
  }
  return exitCode;
}

}  // namespace
}  // namespace mirel

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
  try {
    return mirel::Main(instance, showCommand);
  } catch (const std::exception& error) {
    // A program with no console has only a message box to say why it stopped.
    const std::wstring text = mirel::Widen(std::string(mirel::kRuntimeErrorPrefix) + error.what());
    ::MessageBoxW(nullptr, text.c_str(), mirel::Widen(mirel::kTitle).c_str(), MB_OK | MB_ICONERROR);
    return 1;
  }
}
