// The start module: creates the support library object, registers the two
// sounds, loads and shows the window, and releases the library at the end.

#include <QApplication>
#include <QLocale>
#include <QStandardPaths>
#include <memory>

#include "Form1Window.h"
#include "LabelFont.h"
#include "OpenApplication.h"
#include "QtHost.h"
#include "QtTranslations.h"
#include "menu/Form1.h"
#include "platform/Mci.h"
#include "platform/ProgramFolder.h"
#include "platform/SdlAudioBackend.h"
#include "support/Zentik11.h"

namespace mirel {

// The one support library object, alive for the whole run.
std::unique_ptr<Zentik11> Lib;

int Main(char* programName) {
  // The program reads no command line: Qt sees only the program's name.
  int argc = 1;
  char* argv[] = {programName, nullptr};
  // At a fractional desktop scale such as 150 % a picture pixel would become
  // blocks of unequal size; a whole factor keeps the pixel art even. The
  // user's own QT_SCALE_FACTOR still multiplies it.
  QGuiApplication::setHighDpiScaleFactorRoundingPolicy(Qt::HighDpiScaleFactorRoundingPolicy::Round);
  const std::unique_ptr<QApplication> app = OpenApplication(argc, argv);
  // The name gives the data folder (the record file of an installed copy) and
  // the X11 class, which the desktop entry names as its StartupWMClass; the
  // desktop file name is the window's Wayland app_id.
  QCoreApplication::setApplicationName(QStringLiteral("mirel"));
  QGuiApplication::setDesktopFileName(QStringLiteral(MIREL_APP_ID));

  RegisterLabelFont();
  InstallQtTranslations(QLocale::system());

  const QString folder = QCoreApplication::applicationDirPath();
  SetProgramFolder(std::filesystem::path(folder.toStdString()));

  SdlAudioBackend audio;
  MciInterpreter mci(audio);
  const bool besideProgram =
      FolderIsWritable(ProgramFolder()) && !IsInstalledProgramFolder(ProgramFolder(), MIREL_INSTALL_PROGRAMDIR);
  const RecordFilePlace record = ChooseRecordFilePlace(
      ProgramFolder(), besideProgram, QStandardPaths::writableLocation(QStandardPaths::AppDataLocation).toStdString());
  Lib = std::make_unique<Zentik11>(mci, record.save, record.load);
  Lib->SoundSet(1, folder.toStdString() + "/Sound1.wav", false);
  Lib->SoundSet(2, folder.toStdString() + "/Sound2.wav", false);

  int exitCode = 0;
  {
    QtHost host;
    Form1 form(host, *Lib);
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
  }
  // Saves the record file, then stops and closes every sound channel.
  Lib.reset();
  return exitCode;
}

}  // namespace mirel

int main(int argc, char** argv) {
  static char fallbackName[] = "mirel";
  return mirel::Main(argc > 0 && argv[0] ? argv[0] : fallbackName);
}
