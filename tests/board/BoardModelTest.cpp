// Cell records with their border ring, the slide rule, MoveTile, the grid's bounds.

#include <set>

#include "BoardFixture.h"

namespace mirel {
namespace {

using kit::BoardText;
using kit::SetBoard;

TEST(CellGridTest, RedimZeroesAndBoundsAreChecked) {
  CellGridArray grid;
  EXPECT_FALSE(grid.Allocated());
  EXPECT_THROW(grid(0, 0), std::out_of_range);
  grid.Redim(4);
  grid(4, 4).TileNo = 9;
  grid.Redim(5);
  EXPECT_EQ(grid.UBound(), 5);
  EXPECT_EQ(grid(4, 4).TileNo, 0);
  EXPECT_NO_THROW(grid(5, 0));
  EXPECT_THROW(grid(6, 0), std::out_of_range);
  EXPECT_THROW(grid(0, -1), std::out_of_range);
  EXPECT_THROW(grid.Redim(-1), std::out_of_range);
}

using RecordTest = BoardTest;

TEST_F(RecordTest, NewGameFillsEveryRecordIncludingTheBorderRing) {
  Start(1, 0);
  const CellRec& cell23 = game.CellGrid(2, 3);
  EXPECT_EQ(
      std::vector<int>({cell23.Left, cell23.Top, cell23.Right, cell23.Bottom, cell23.Width, cell23.Height}),
      std::vector<int>({150, 300, 250, 400, 100, 100}));
  const CellRec& corner = game.CellGrid(0, 0);
  EXPECT_EQ(std::vector<int>({corner.Left, corner.Top, corner.Right, corner.Bottom, corner.TileNo}),
            std::vector<int>({-50, 0, 50, 100, -4}));
  // Every side: rectangles and ring as the geometry says (InvariantViolation
  // compares each record with 50 + (c - 1) * T and so on).
  for (int level = 1; level <= 4; ++level) {
    Start(level, 0);
    EXPECT_EQ(game.CellGrid.UBound(), level + 3);
    EXPECT_EQ(kit::InvariantViolation(game), "") << "level " << level;
  }
  EXPECT_EQ(game.CellGrid(6, 6).Left, 300);
  EXPECT_EQ(game.CellGrid(7, 7).TileNo, 6 * 6 + 6);
}

// The cells next to the gap, worked out from the geometry alone.
std::set<std::pair<int, int>> Neighbours(int side, int ec, int er) {
  std::set<std::pair<int, int>> out;
  for (auto [c, r] : {std::pair{ec - 1, er}, {ec + 1, er}, {ec, er - 1}, {ec, er + 1}})
    if (c >= 1 && c <= side && r >= 1 && r <= side) out.insert({c, r});
  return out;
}

TEST_F(RecordTest, SlideRuleAllowsExactlyTheCellsBesideTheGapForEveryGapPlace) {
  for (int side = 3; side <= 6; ++side) {
    for (int ec = 1; ec <= side; ++ec) {
      for (int er = 1; er <= side; ++er) {
        kit::SetBoard(game, kit::SolvedText(side));
        // Walk the gap to (ec, er) along legal moves.
        while (game.EmptyCol != ec) game.MoveTile(game.EmptyCol - 1, game.EmptyRow);
        while (game.EmptyRow != er) game.MoveTile(game.EmptyCol, game.EmptyRow - 1);
        std::set<std::pair<int, int>> allowed;
        for (int c = 1; c <= side; ++c)
          for (int r = 1; r <= side; ++r)
            if (game.MaySlide(c, r)) allowed.insert({c, r});
        EXPECT_EQ(allowed, Neighbours(side, ec, er)) << "side " << side << " gap " << ec << "," << er;
      }
    }
  }
}

TEST_F(RecordTest, MoveTileSwapsIntoTheGapAndFollowsIt) {
  SetBoard(game, "1 2 3/4 _ 5/7 8 6");
  game.MoveTile(3, 2);
  EXPECT_EQ(BoardText(game), "1 2 3/4 5 _/7 8 6");
  EXPECT_EQ(std::pair(game.EmptyCol, game.EmptyRow), std::pair(3, 2));
  game.MoveTile(3, 3);
  EXPECT_EQ(BoardText(game), "1 2 3/4 5 6/7 8 _");
  EXPECT_EQ(kit::InvariantViolation(game), "");

  SetBoard(game, "1 2 3 4/5 6 7 8/9 10 11 12/13 14 _ 15");
  game.MoveTile(3, 2);  // two rows up: MoveTile trusts its caller
  EXPECT_EQ(BoardText(game), "1 2 3 4/5 6 _ 8/9 10 11 12/13 14 7 15");
  EXPECT_EQ(kit::InvariantViolation(game), "");
}

TEST(GameTest, StartsWithDesignValuesAndLoadsTileBoxesInOrder) {
  ScriptedHost host;
  SoundRig sound;
  Game game(host, sound.lib);
  EXPECT_FALSE(game.CellGrid.Allocated());
  EXPECT_FALSE(game.Solved || game.BoardActive || game.OwnPicture || game.SoundOn);
  ASSERT_EQ(game.Picture1.size(), 1u);
  EXPECT_EQ(std::pair(game.Picture1[0].Width(), game.Picture1[0].Height()), std::pair(209, 217));
  EXPECT_EQ(game.Picture3[4].Width(), 304);
  for (int i = 0; i < kLabelCount; ++i)
    EXPECT_EQ(game.Label1[std::size_t(i)].Visible, i <= 2 || i == 8) << "label " << i;
  // A new tile box copies element 0's design, not what it holds now.
  game.Picture1[0].Image().fill(0xFF123456u);
  EXPECT_THROW(game.LoadPicture1(2), std::logic_error);
  game.LoadPicture1(1);
  EXPECT_EQ(game.Picture1[1].Width(), 209);
  EXPECT_EQ(game.Picture1[1].Pixel(0, 0), kFaceColour);
  EXPECT_THROW(game.LoadPicture1(1), std::logic_error);
}

}  // namespace
}  // namespace mirel
