// One run's support library: opened beside the program with both sounds, and
// a save that fails at the end told to the player, not only to standard error.

#include <gtest/gtest.h>

#include "menu/GameLibrary.h"
#include "platform/Utf8Path.h"
#include "sound/AudioBackend.h"
#include "tests/common/ScriptedHost.h"
#include "tests/common/TempFolder.h"

namespace mirel {
namespace {

TEST(GameLibraryTest, AFailedSaveIsShownOnceAndASavedOneNotAtAll) {
  const TempFolder folder;
  SilentAudioBackend audio;
  MciInterpreter mci(audio, CommandLog::Kept);
  ScriptedHost host;
  {
    const auto lib = OpenLibrary(mci, folder.Path(), {});
    ASSERT_EQ(lib->SoundTable().size(), 3u);
    EXPECT_EQ(lib->SoundTable()[2].FileName, Utf8FromPath(folder.Path() / "Sound2.wav"));
    CloseLibrary(*lib, host);
  }
  EXPECT_TRUE(std::filesystem::is_regular_file(folder.Path() / "Mirel.mtt"));
  EXPECT_TRUE(host.Calls().empty());

  // A folder under the record file's name: nothing can be saved there.
  std::filesystem::remove(folder.Path() / "Mirel.mtt");
  std::filesystem::create_directory(folder.Path() / "Mirel.mtt");
  const auto lib = OpenLibrary(mci, folder.Path(), {});
  CloseLibrary(*lib, host);
  CloseLibrary(*lib, host);
  const auto boxes = host.Calls(HostCall::Kind::MessageBox);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "記録ファイルを保存できませんでした。\n" + Utf8FromPath(folder.Path() / "Mirel.mtt") +
                               "\n\n今回の記録は残りません。元のファイルはそのままです。");
  EXPECT_EQ(boxes[0].title, "ミレル");
}

}  // namespace
}  // namespace mirel
