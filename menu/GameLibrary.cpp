#include "GameLibrary.h"

#include <optional>

#include "board/Game.h"
#include "platform/Diagnostics.h"
#include "platform/Utf8Path.h"
#include "support/DataFolder.h"
#include "support/RecordPlace.h"

namespace mirel {

std::unique_ptr<Zentik11> OpenLibrary(MciInterpreter& mci, const std::filesystem::path& programFolder,
                                      const std::filesystem::path& installLayout) {
  const bool besideProgram =
      FolderIsWritable(programFolder) && !IsInstalledProgramFolder(programFolder, installLayout);
  // The data folder is looked up only when needed: on Windows the lookup loads the shell.
  const std::filesystem::path dataFolder =
      besideProgram ? std::filesystem::path() : GameDataFolder().value_or(std::filesystem::path());
  const RecordFilePlace record = ChooseRecordFilePlace(programFolder, besideProgram, dataFolder);
  if (record.save.empty())
    Diagnose("no folder to keep the record file in (the system names no data folder for this user); "
             "the records of this run are not kept");
  auto lib = std::make_unique<Zentik11>(mci, record.save, record.load);
  lib->SoundSet(1, Utf8FromPath(programFolder / "Sound1.wav"), false);
  lib->SoundSet(2, Utf8FromPath(programFolder / "Sound2.wav"), false);
  return lib;
}

void CloseLibrary(Zentik11& lib, Host& host) {
  if (const std::optional<SaveFailure> failure = lib.Close())
    host.MessageBox(SaveFailureText(*failure), MsgButtons::Ok, MsgAnswer::Ok, kTitle);
}

std::string SaveFailureText(const SaveFailure& failure) {
  const std::string text =
      "記録ファイルを保存できませんでした。\n" + Utf8FromPath(failure.file) + "\n\n今回の記録は残りません。";
  if (failure.oldRecords == failure.file) return text + "元のファイルはそのままです。";
  return text + "元の記録は次のファイルに残っています。\n" + Utf8FromPath(failure.oldRecords);
}

}  // namespace mirel
