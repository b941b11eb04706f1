// The start module on Windows: creates the support library object, registers
// the two sounds, loads and shows the window, and releases the library at the
// end.

#include "Win32.h"

#include <exception>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "Form1Frame.h"
#include "Win32Host.h"
#include "platform/WideText.h"
#include "menu/Form1.h"
#include "platform/ProgramFolder.h"
#include "platform/Utf8Path.h"
#include "sound/Mci.h"
#include "sound/WaveOutBackend.h"
#include "support/DataFolder.h"
#include "support/RecordPlace.h"
#include "support/Zentik11.h"

namespace mirel {

// The one support library object, alive for the whole run.
std::unique_ptr<Zentik11> Lib;

namespace {

// The support library as the game finds it: the record file read, the two
// sounds registered. The record file lies beside a copy of the program in a
// folder the player may write, as a portable copy keeps it; else in the
// player's local application data folder.
void OpenLibrary(MciInterpreter& mci) {
  const std::filesystem::path folder = ProgramFolder();
  // The data folder is looked up only when needed: the lookup loads the shell.
  const bool besideProgram = FolderIsWritable(folder);
  const std::filesystem::path dataFolder =
      besideProgram ? std::filesystem::path() : GameDataFolder().value_or(std::filesystem::path());
  const RecordFilePlace record = ChooseRecordFilePlace(folder, besideProgram, dataFolder);
  Lib = std::make_unique<Zentik11>(mci, record.save, record.load);
  Lib->SoundSet(1, Utf8FromPath(folder / "Sound1.wav"), false);
  Lib->SoundSet(2, Utf8FromPath(folder / "Sound2.wav"), false);
}

int Main(HINSTANCE instance, int showCommand) {
  SetProgramFolder(ExecutableFolder());
  WaveOutBackend audio;
  MciInterpreter mci(audio);
  OpenLibrary(mci);

  int exitCode = 0;
  {
    Win32Host host;
    Form1 form(host, *Lib);
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
  }
  // Saves the record file, then stops and closes every sound channel.
  Lib.reset();
  return exitCode;
}

}  // namespace
}  // namespace mirel

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
  try {
    return mirel::Main(instance, showCommand);
  } catch (const std::exception& error) {
    // A program with no console has only a message box to say why it stopped.
    const std::wstring text = L"実行時エラー: " + mirel::Widen(error.what());
    ::MessageBoxW(nullptr, text.c_str(), mirel::Widen(mirel::kTitle).c_str(), MB_OK | MB_ICONERROR);
    return 1;
  }
}
