// The start module: opens the support library, loads and shows the window,
// and closes the library at the end.

#include <fontconfig/fontconfig.h>
#include <QApplication>
#include <QLocale>
#include <QThread>
#include <filesystem>
#include <future>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "CommandLine.h"
#include "Form1Window.h"
#include "LabelFont.h"
#include "OpenApplication.h"
#include "QtHost.h"
#include "QtTranslations.h"
#include "ScreenFit.h"
#include "menu/Form1.h"
#include "menu/GameLibrary.h"
#include "sound/Mci.h"
#include "platform/ExecutableFolder.h"
#include "sound/LinuxAudioBackend.h"
#include "support/Zentik11.h"

namespace mirel {

int Main(int argc, char** argv) {
  // --help and --version answer before anything else starts: no window, no
  // record file. Qt takes its own options out of argv as the application is made.
  const std::vector<std::string> arguments(argv, argv + argc);
  const CommandLine command =
      ReadCommandLine(std::vector<std::string>(arguments.begin() + 1, arguments.end()));
  switch (command.start) {
    case StartAs::Help:
      std::cout << UsageText();
      return 0;
    case StartAs::Version:
      std::cout << "mirel " MIREL_VERSION "\n";
      return 0;
    case StartAs::Refused:
      std::cerr << RefusalText(command.refused);
      return kUsageExitCode;
    case StartAs::Game:
      break;
  }
  // At a fractional desktop scale such as 150 % a picture pixel would become
  // blocks of unequal size; a whole factor keeps the pixel art even. The
  // user's own QT_SCALE_FACTOR still multiplies it. Rounded up, the window
  // may outgrow a small screen; FitApplicationToScreen then takes it down.
  QGuiApplication::setHighDpiScaleFactorRoundingPolicy(Qt::HighDpiScaleFactorRoundingPolicy::Round);
  // The name gives the X11 class, which the desktop entry names as its
  // StartupWMClass.
  QCoreApplication::setApplicationName(QStringLiteral("mirel"));

  LinuxAudioBackend audio;
  MciInterpreter mci(audio);
  // What needs no display (the record file, the two sounds, the backdrop and
  // the font configuration) is read on a second thread while Qt connects to
  // the display, which hides a sixth of the start. Qt takes the first thread
  // that makes a Qt object for its main thread, so this one asks first.
  QThread::currentThread();
  std::unique_ptr<Zentik11> lib;
  std::future<Bitmap> early = std::async(std::launch::async, [&mci, &lib] {
    // Qt reads the system's font configuration, a few milliseconds, when the
    // first font is needed; read here first, Qt finds it loaded.
    FcInit();
    lib = OpenLibrary(mci, ExecutableFolder(), MIREL_INSTALL_PROGRAMDIR);
    return LoadBackdrop();
  });

  std::unique_ptr<QApplication> app = OpenApplication(argc, argv);
  const Bitmap backdrop = early.get();  // and the library is open, the fonts read
  // Only now that the reading thread is done with Qt may the application be
  // made again, if the window would not fit the screen.
  FitApplicationToScreen(app, arguments);
  // The window's Wayland app_id.
  QGuiApplication::setDesktopFileName(QStringLiteral(MIREL_APP_ID));
  RegisterLabelFont();
  InstallQtTranslations(QLocale::system());

  int exitCode = 0;
  {
    QtHost host;
    Form1 form(host, *lib, backdrop);
    Form1Window window(form);
    host.SetWindow(&window);
    form.Form_Load();  // before the window is first shown, so its drawing shows at once
    window.SyncLabels();
    window.CentreOnScreen();
    window.show();
    // After the show, so the first map waits for no sound server.
    audio.StartOutput();
    exitCode = QApplication::exec();
    host.SetWindow(nullptr);
    CloseLibrary(*lib, host);
  }
  return exitCode;
}

}  // namespace mirel

int main(int argc, char** argv) {
  static char fallbackName[] = "mirel";
  static char* fallback[] = {fallbackName, nullptr};
  return argc > 0 && argv[0] ? mirel::Main(argc, argv) : mirel::Main(1, fallback);
}
