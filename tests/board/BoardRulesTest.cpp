// The rules on their own: the slide rule, a move, the shuffle and the solver,
// on Board values written as text.

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "board/Board.h"
#include "tests/common/BoardKit.h"

namespace mirel {
namespace {

// The tiles that may slide, as the player numbers them, in reading order.
std::string Slidable(const Board& board) {
  std::string out;
  for (int r = 0; r <= board.Side() + 1; ++r)
    for (int c = 0; c <= board.Side() + 1; ++c)
      if (board.MaySlide(c, r)) out += (out.empty() ? "" : " ") + std::to_string(board.Tile(c, r) + 1);
  return out;
}

TEST(SlideRule, OnlyTheTilesBesideTheGapAtEveryCornerEdgeAndInside) {
  const struct {
    const char* board;
    const char* slidable;
  } kCases[] = {
      {". 1 2/3 4 5/6 7 8", "1 3"},      // top-left corner
      {"1 . 2/3 4 5/6 7 8", "1 2 4"},    // top edge
      {"1 2 ./3 4 5/6 7 8", "2 5"},      // top-right corner
      {"1 2 3/. 4 5/6 7 8", "1 4 6"},    // left edge
      {"1 2 3/4 . 5/7 8 6", "2 4 5 8"},  // inside
      {"1 2 3/4 5 ./7 8 6", "3 5 6"},    // right edge
      {"1 2 3/4 5 6/. 7 8", "4 7"},      // bottom-left corner
      {"1 2 3/4 5 6/7 . 8", "5 7 8"},    // bottom edge
      {"1 2 3/4 5 6/7 8 .", "6 8"},      // bottom-right corner
      {"1 2 3 4/5 6 7 8/9 10 11 12/13 14 15 .", "12 15"},
      {"1 2 3 4 5 6/7 8 9 10 11 12/13 14 15 16 17 18/19 20 . 21 22 23/24 25 26 27 28 29/30 31 32 33 34 35",
       "15 20 21 26"},
  };
  for (const auto& k : kCases) EXPECT_EQ(Slidable(Board::FromText(k.board)), k.slidable) << k.board;
}

TEST(Move, SwapsTheTileIntoTheGapWhichFollows) {
  Board board = Board::FromText("1 2 3/4 . 5/7 8 6");
  board.Move(3, 2);
  EXPECT_EQ(board.Text(), "1 2 3/4 5 ./7 8 6");
  EXPECT_EQ(std::pair(board.EmptyCol(), board.EmptyRow()), std::pair(3, 2));
  EXPECT_FALSE(board.IsSolved());
  board.Move(3, 3);
  EXPECT_TRUE(board.IsSolved());
  EXPECT_EQ(board, Board(3));
  // One misplaced pair anywhere, or the gap elsewhere, is not solved.
  for (const char* text : {"2 1 3/4 5 6/7 8 .", "1 2 3/4 5 6/8 7 .", "1 2 3/4 5 6/7 . 8"})
    EXPECT_FALSE(Board::FromText(text).IsSolved()) << text;
}

TEST(TextForm, ReadsBackWhatItWritesAndRefusesWhatIsNoBoard) {
  for (const char* text : {"1 2 3/4 . 5/7 8 6", "1 2/3 .", ". 15 14 13/12 11 10 9/8 7 6 5/4 3 2 1"})
    EXPECT_EQ(Board::FromText(text).Text(), text);
  for (const char* bad : {"", "1 2 3/4 . 5", "1 2 3/4 4 5/7 8 .", "1 2 3/4 . 9/7 8 6", "1 2 3/4 x 5/7 8 6",
                          "1 2 3/4 . ./7 8 6", "0 2 3/4 . 5/7 8 6", "1 2 3/4 5 6/7 8 1x"})
    EXPECT_THROW(Board::FromText(bad), std::invalid_argument) << bad;
}

TEST(Shuffle, GivesASolvableUnsolvedBoardWithTheGapAnOddDistanceFromHome) {
  std::set<std::string> seen;
  for (std::uint64_t seed = 1; seed <= 2000; ++seed) {
    const int side = 3 + int(seed % 4);
    Board board(side);
    RandomSource rnd(seed);
    board.Shuffle(rnd);
    SCOPED_TRACE(testing::Message() << "seed " << seed << ": " << board.Text());
    ASSERT_EQ((2 * side - board.EmptyCol() - board.EmptyRow()) % 2, 1);
    ASSERT_FALSE(board.IsSolved());
    ASSERT_TRUE(kit::IsSolvable(board));
    seen.insert(board.Text());
  }
  // Every game a new puzzle: hardly two seeds give the same board.
  EXPECT_GT(seen.size(), 1990u);
}

// Regression: a seed must keep giving the same board (column drawn before row,
// redrawn misses not counted), or games replayed from a seed change.
TEST(Shuffle, ASeedGivesTheBoardItAlwaysGave) {
  const struct {
    int side;
    std::uint64_t seed;
    const char* board;
  } kPinned[] = {
      {3, 42, "5 8 6/3 4 1/2 . 7"},
      {4, 977, "1 11 3 ./8 10 6 12/9 4 15 5/13 2 14 7"},
      {5, 3, "2 6 10 18 8/1 12 4 5 14/11 7 3 . 20/16 17 13 24 19/21 9 22 15 23"},
      {6, 42,
       "1 2 3 5 6 12/13 7 10 16 11 18/19 25 17 4 24 34/27 8 9 21 30 28/26 20 15 . 14 29/31 33 23 32 35 22"},
  };
  for (const auto& k : kPinned) {
    Board board(k.side);
    RandomSource rnd(k.seed);
    board.Shuffle(rnd);
    EXPECT_EQ(board.Text(), k.board) << "side " << k.side << " seed " << k.seed;
  }
}

TEST(Solver, ItsPressesFinishEveryLevel) {
  for (int side = 3; side <= 6; ++side) {
    for (std::uint64_t seed : {1u, 2u, 3u}) {
      Board board(side);
      RandomSource rnd(seed * 100 + std::uint64_t(side));
      board.Shuffle(rnd);
      for (const kit::Cell& press : kit::SolveMoves(board)) {
        ASSERT_TRUE(board.MaySlide(press.c, press.r)) << board.Text();
        board.Move(press.c, press.r);
      }
      EXPECT_TRUE(board.IsSolved()) << "side " << side << " seed " << seed;
    }
  }
}

}  // namespace
}  // namespace mirel
