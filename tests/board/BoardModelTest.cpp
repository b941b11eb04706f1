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
  for (int level = 1; level <= 4; ++level) {
    Start(level, 0);
    const int side = level + 2;
    const int t = 300 / side;
    EXPECT_EQ(game.CellGrid.UBound(), side + 1);
    for (int c = 0; c <= side + 1; ++c) {
      for (int r = 0; r <= side + 1; ++r) {
        const CellRec& rec = game.CellGrid(c, r);
        SCOPED_TRACE(testing::Message() << "side " << side << " cell " << c << "," << r);
        EXPECT_EQ(rec.Left, 50 + (c - 1) * t);
        EXPECT_EQ(rec.Top, 100 + (r - 1) * t);
        EXPECT_EQ(rec.Right - rec.Left, t);
        EXPECT_EQ(rec.Bottom - rec.Top, t);
        EXPECT_EQ(rec.Width, t);
        EXPECT_EQ(rec.Height, t);
        const bool playing = c >= 1 && c <= side && r >= 1 && r <= side;
        if (!playing) {
          EXPECT_EQ(rec.TileNo, (r - 1) * side + (c - 1));
        }
      }
    }
    EXPECT_EQ(kit::InvariantViolation(game), "");
  }
}

TEST_F(RecordTest, KnownRecordsOfTheSmallestAndLargestBoards) {
  Start(1, 0);
  const CellRec& cell23 = game.CellGrid(2, 3);
  EXPECT_EQ(
      std::vector<int>({cell23.Left, cell23.Top, cell23.Right, cell23.Bottom, cell23.Width, cell23.Height}),
      std::vector<int>({150, 300, 250, 400, 100, 100}));
  const CellRec& corner = game.CellGrid(0, 0);
  EXPECT_EQ(std::vector<int>({corner.Left, corner.Top, corner.Right, corner.Bottom, corner.TileNo}),
            std::vector<int>({-50, 0, 50, 100, -4}));
  EXPECT_EQ(game.CellGrid(1, 1).Left, 50);
  EXPECT_EQ(game.CellGrid(3, 3).Right, 350);
  EXPECT_EQ(game.CellGrid(3, 3).Bottom, 400);

  Start(4, 0);
  EXPECT_EQ(game.CellGrid(6, 6).Left, 300);
  EXPECT_EQ(game.CellGrid(6, 6).Bottom, 400);
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

TEST_F(RecordTest, SlideRuleKeepsToTheBoardEvenIfTheRingHeldTheMarker) {
  // The ring never holds the gap's number, but the position tests must not
  // depend on that: a cell on the edge never slides off the board.
  kit::SetBoard(game, "1 2 3/4 5 6/7 8 _");
  for (int r = 1; r <= 3; ++r) game.CellGrid(0, r).TileNo = 8;
  for (int c = 1; c <= 3; ++c) game.CellGrid(c, 0).TileNo = 8;
  EXPECT_FALSE(game.MaySlide(1, 1));
  EXPECT_FALSE(game.MaySlide(1, 2));
  EXPECT_FALSE(game.MaySlide(2, 1));
  EXPECT_TRUE(game.MaySlide(3, 2));
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

TEST(GameTest, StartsWithDesignValues) {
  ScriptedHost host;
  SoundRig sound;
  Game game(host, sound.lib);
  EXPECT_FALSE(game.CellGrid.Allocated());
  EXPECT_EQ(game.Level, 0);
  EXPECT_EQ(game.PictureNo, 0);
  EXPECT_FALSE(game.Solved || game.BoardActive || game.OwnPicture || game.SoundOn);
  ASSERT_EQ(game.Picture1.size(), 1u);
  EXPECT_EQ(game.Picture1[0].Width(), 209);
  EXPECT_EQ(game.Picture1[0].Height(), 217);
  EXPECT_EQ(game.Picture3[4].Width(), 304);
  EXPECT_EQ(game.Picture3[4].Pixel(150, 150), kFaceColour);
  EXPECT_EQ(game.Window.ScaleWidth(), 400);
  for (int i = 0; i < kLabelCount; ++i) {
    EXPECT_EQ(game.Label1[std::size_t(i)].Caption, kLabelDesign[std::size_t(i)].caption);
    EXPECT_EQ(game.Label1[std::size_t(i)].Visible, i <= 2 || i == 8);
  }
  // Tile boxes copy element 0's design and come in order.
  game.Picture1[0].Image().fill(0xFF123456u);
  EXPECT_THROW(game.LoadPicture1(2), std::logic_error);
  game.LoadPicture1(1);
  EXPECT_EQ(game.Picture1[1].Width(), 209);
  EXPECT_EQ(game.Picture1[1].Pixel(0, 0), kFaceColour);
  EXPECT_THROW(game.LoadPicture1(1), std::logic_error);
}

}  // namespace
}  // namespace mirel
