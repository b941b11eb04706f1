// The random source and the program folder.

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <set>

#include "platform/ProgramFolder.h"
#include "platform/Random.h"
#include "tests/common/TempFolder.h"

namespace mirel {
namespace {

TEST(RandomSource, AFixedSeedGivesTheSameSequenceInTheHalfOpenUnitRange) {
  RandomSource a(2024), b(2024);
  std::set<double> seen;
  double sum = 0;
  const int n = 100000;
  for (int i = 0; i < n; ++i) {
    const double v = a.Next();
    ASSERT_EQ(v, b.Next());
    ASSERT_GE(v, 0.0);
    ASSERT_LT(v, 1.0);
    seen.insert(v);
    sum += v;
  }
  EXPECT_GT(seen.size(), std::size_t(n - 10));
  EXPECT_NEAR(sum / n, 0.5, 0.01);

  // Seeding again starts the same sequence over; another seed gives another.
  const double first = RandomSource(2024).Next();
  a.Seed(2024);
  EXPECT_EQ(a.Next(), first);
  EXPECT_NE(RandomSource(2025).Next(), first);
}

TEST(ProgramFolder, IsWhereTheProgramSaysItIs) {
  const std::filesystem::path before = ProgramFolder();
  SetProgramFolder("games/ミレル");
  EXPECT_EQ(ProgramFolder(), std::filesystem::path("games/ミレル"));
  EXPECT_EQ(ProgramFolder().string() + "/Sound1.wav", "games/ミレル/Sound1.wav");
  SetProgramFolder(before);
  EXPECT_EQ(ProgramFolder(), before);
}

TEST(ProgramFolder, CanBeSetWhenTheWorkingFolderIsGone) {
  // In a fresh process, so that nothing has asked for the folder yet.
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        TempFolder gone;
        std::filesystem::current_path(gone.Path());
        std::filesystem::remove(gone.Path());
        SetProgramFolder("games");
        std::exit(ProgramFolder() == "games" ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

TEST(RecordFilePlace, BesideAWritableProgramElseInTheDataFolder) {
  TempFolder program, home;
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
