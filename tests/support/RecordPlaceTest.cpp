// The record store read from one file and saved to another: an installed game
// starts from the copy shipped beside it and keeps the player's own elsewhere.

#include <gtest/gtest.h>

#include <fstream>

#include "sound/AudioBackend.h"
#include "sound/Mci.h"
#include "support/RecordPlace.h"
#include "support/Zentik11.h"
#include "tests/support/TestFolder.h"

namespace mirel {
namespace {

TEST(RecordPlace, LoadsTheShippedCopySavesToTheOwnFileAndLeavesTheCopy) {
  test::TestFolder shipped, own;
  const std::string copy = "\"7/1/x\"\r\n\"8/2/y\"\r\n";
  test::Spit(shipped.RecordFile(), copy);
  SilentAudioBackend backend;
  MciInterpreter mci(backend);
  {
    Zentik11 lib(mci, own.RecordFile(), shipped.RecordFile());
    EXPECT_EQ(lib.ReadText("2", false), "8");
  }
  EXPECT_EQ(test::Slurp(own.RecordFile()), copy);
  EXPECT_EQ(test::Slurp(shipped.RecordFile()), copy);
  EXPECT_FALSE(std::filesystem::exists(shipped.Backup()));
  EXPECT_FALSE(std::filesystem::exists(own.Backup()));
}

TEST(RecordFilePlace, BesideAWritableProgramElseInTheDataFolder) {
  test::TestFolder program, home;
  const std::filesystem::path data = home.Path() / "share" / "mirel";
  const std::filesystem::path beside = program.Path() / "Mirel.mtt";
  const std::filesystem::path own = data / "Mirel.mtt";

  RecordFilePlace place = ChooseRecordFilePlace(program.Path(), true, data);
  EXPECT_EQ(place.load, beside);
  EXPECT_EQ(place.save, beside);
  EXPECT_FALSE(std::filesystem::exists(data)) << "a portable copy leaves the data folder alone";
  place = ChooseRecordFilePlace(program.Path(), false, "");
  EXPECT_EQ(place.load, beside);
  EXPECT_EQ(place.save, "") << "no data folder: no record kept, least of all in the package's folder";

  // Read-only program folder: the player's own file, first from a shipped copy.
  place = ChooseRecordFilePlace(program.Path(), false, data);
  EXPECT_EQ(place.load, own);
  EXPECT_EQ(place.save, own);
  EXPECT_TRUE(std::filesystem::is_directory(data)) << "made, so the save can write there";
  { std::ofstream(beside) << "shipped"; }
  place = ChooseRecordFilePlace(program.Path(), false, data);
  EXPECT_EQ(place.load, beside);
  EXPECT_EQ(place.save, own);
  { std::ofstream(own) << "own"; }
  place = ChooseRecordFilePlace(program.Path(), false, data);
  EXPECT_EQ(place.load, own);
  EXPECT_EQ(place.save, own);

  EXPECT_TRUE(FolderIsWritable(program.Path()));
  EXPECT_FALSE(FolderIsWritable(program.Path() / "missing"));
}

// A game run as root wrote its record file into the package's own folder.
TEST(RecordFilePlace, AnInstalledProgramFolderIsKnownByItsLayout) {
  EXPECT_TRUE(IsInstalledProgramFolder("/usr/lib/games/mirel", "lib/games/mirel"));
  EXPECT_TRUE(IsInstalledProgramFolder("/opt/x/lib/games/mirel/", "lib/games/mirel"));
  EXPECT_FALSE(IsInstalledProgramFolder("/home/p/mirel", "lib/games/mirel"));
  EXPECT_FALSE(IsInstalledProgramFolder("/usr/lib/games/mirel-old", "lib/games/mirel"));
  EXPECT_FALSE(IsInstalledProgramFolder("games/mirel", "lib/games/mirel"));
}

}  // namespace
}  // namespace mirel
