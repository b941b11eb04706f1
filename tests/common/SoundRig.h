#pragma once
// The sound side of the program without sound: a Zentik11 over the command
// interpreter and a silent back end, its program folder and record file in a
// temporary folder, channels 1 and 2 registered as the start routine does.
// Needs mirel_support.

#include <string>
#include <vector>

#include "sound/AudioBackend.h"
#include "sound/Mci.h"
#include "support/Zentik11.h"
#include "tests/common/TempFolder.h"

namespace mirel {

class SoundRig {
 public:
  SoundRig() : lib(mci, Folder() / "Mirel.mtt") {
    lib.SoundSet(1, (folder.Path() / "Sound1.wav").string(), false);
    lib.SoundSet(2, (folder.Path() / "Sound2.wav").string(), false);
    mci.ClearLog();  // tests look at what the game sends, not at the set-up
  }

  // The command strings sent since the set-up (or the last Clear).
  std::vector<std::string> Commands() const {
    std::vector<std::string> out;
    for (const auto& entry : mci.Log()) out.push_back(entry.command);
    return out;
  }
  void Clear() { mci.ClearLog(); }

  // Declaration order matters: the folder outlives the library, which writes
  // its record file there when it goes.
  TempFolder folder;
  SilentAudioBackend backend;
  MciInterpreter mci{backend, CommandLog::Kept};
  Zentik11 lib;

 private:
  const std::filesystem::path& Folder() const { return folder.Path(); }
};

}  // namespace mirel
