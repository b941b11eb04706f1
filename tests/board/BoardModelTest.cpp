// Cell records with their ring, the grid's bounds, the game as built.

#include "BoardFixture.h"

namespace mirel {
namespace {

TEST(CellGridTest, RedimZeroesAndBoundsAreChecked) {
  CellGridArray grid;
  EXPECT_FALSE(grid.Allocated());
  EXPECT_THROW(grid(0, 0), std::out_of_range);
  grid.Redim(4);
  grid(4, 4).Left = 9;
  grid.Redim(5);
  EXPECT_EQ(grid.UBound(), 5);
  EXPECT_EQ(grid(4, 4).Left, 0);
  EXPECT_NO_THROW(grid(5, 0));
  EXPECT_THROW(grid(6, 0), std::out_of_range);
  EXPECT_THROW(grid(0, -1), std::out_of_range);
  EXPECT_THROW(grid.Redim(-1), std::out_of_range);
}

using RecordTest = BoardTest;

TEST_F(RecordTest, NewGameFillsEveryRecordIncludingTheRing) {
  Start(1, 0);
  const CellRec& cell23 = game.CellAt(2, 3);
  EXPECT_EQ(
      std::vector<int>({cell23.Left, cell23.Top, cell23.Right, cell23.Bottom, cell23.Width, cell23.Height}),
      std::vector<int>({150, 300, 250, 400, 100, 100}));
  const CellRec& corner = game.CellAt(0, 0);
  EXPECT_EQ(std::vector<int>({corner.Left, corner.Top, corner.Right, corner.Bottom}),
            std::vector<int>({-50, 0, 50, 100}));
  // Every side: rectangles and ring as the geometry says (InvariantViolation
  // compares each record with 50 + (c - 1) * T and so on).
  for (int level = 1; level <= 4; ++level) {
    Start(level, 0);
    EXPECT_EQ(game.Cells().UBound(), level + 3);
    EXPECT_EQ(kit::InvariantViolation(game), "") << "level " << level;
  }
  EXPECT_EQ(game.CellAt(6, 6).Left, 300);
  EXPECT_EQ(game.CellAt(7, 7).Left, 350);
}

TEST(GameTest, StartsWithDesignValuesAndLoadsTileBoxesInOrder) {
  ScriptedHost host;
  SoundRig sound;
  Game game(host, sound.lib);
  // Refused whole, not half started, before the tile boxes are loaded.
  EXPECT_THROW(game.StartLevel(1, 0), std::logic_error);
  EXPECT_FALSE(game.Cells().Allocated());
  EXPECT_FALSE(game.State().Solved || game.State().BoardActive || game.State().SoundOn);
  ASSERT_EQ(game.Controls().Picture1.size(), 1u);
  EXPECT_EQ(std::pair(game.Controls().Picture1[0].Width(), game.Controls().Picture1[0].Height()),
            std::pair(209, 217));
  EXPECT_EQ(game.Controls().Picture3[4].Width(), 304);
  // A new tile box has element 0's design; boxes come in order.
  EXPECT_THROW(game.LoadPicture1(2), std::logic_error);
  game.LoadPicture1(1);
  EXPECT_EQ(game.Controls().Picture1[1].Width(), 209);
  EXPECT_EQ(game.Controls().Picture1[1].Pixel(0, 0), kFaceColour);
  EXPECT_THROW(game.LoadPicture1(1), std::logic_error);
}

}  // namespace
}  // namespace mirel
