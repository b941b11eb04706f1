// The board on the window, checked pixel by pixel against the source pictures.

#include "BoardFixture.h"

namespace mirel {
namespace {

using DrawingTest = BoardTest;

// The window worked out from the pictures alone: the backdrop, and over it each
// tile's square of the source picture, AND-ed for a built-in picture and copied
// for the player's own; the gap's piece only once solved.
Bitmap Expected(const Game& game) {
  const int side = game.State().Level + 2;
  const int t = 300 / side;
  const int last = side * side - 1;
  const bool own = game.State().PictureNo == 4;
  const Bitmap& source = game.Controls().Picture3[std::size_t(game.State().PictureNo)].Image();
  Bitmap out = game.Controls().Picture2.Image().Copy(0, 0, 400, 400);
  for (int c = 1; c <= side; ++c) {
    for (int r = 1; r <= side; ++r) {
      const int tile = game.CurrentBoard().Tile(c, r);
      if (tile == last && !game.State().Solved) continue;
      const int sx = (tile % side) * t, sy = (tile / side) * t;
      const int x0 = 50 + (c - 1) * t, y0 = 100 + (r - 1) * t;
      for (int dy = 0; dy < t; ++dy)
        for (int dx = 0; dx < t; ++dx) {
          const std::uint32_t s = source.Pixel(sx + dx, sy + dy);
          const std::uint32_t under = out.Pixel(x0 + dx, y0 + dy);
          out.SetPixel(x0 + dx, y0 + dy, own ? s : (under & s));
        }
    }
  }
  return out;
}

::testing::AssertionResult WindowShows(const Game& game, const Bitmap& want) {
  const Bitmap& have = game.Controls().Window.Image();
  if (have.Width() != want.Width() || have.Height() != want.Height())
    return ::testing::AssertionFailure() << "window size differs";
  for (int y = 0; y < want.Height(); ++y)
    for (int x = 0; x < want.Width(); ++x)
      if (have.Pixel(x, y) != want.Pixel(x, y))
        return ::testing::AssertionFailure() << "first difference at (" << x << ", " << y << "): have "
                                             << std::hex << have.Pixel(x, y) << ", want " << want.Pixel(x, y);
  return ::testing::AssertionSuccess();
}

TEST_F(DrawingTest, ShuffledBoardsOfEverySizeAndPicture) {
  for (int level = 1; level <= 4; ++level) {
    for (int picture = 0; picture <= 4; ++picture) {
      SCOPED_TRACE(testing::Message() << "level " << level << " picture " << picture);
      Start(level, picture, std::uint64_t(level * 10 + picture));
      EXPECT_TRUE(WindowShows(game, Expected(game)));
    }
  }
}

TEST_F(DrawingTest, BuiltInTilesAreAndedOwnTilesCopiedAndTheGapShowsTheBackdrop) {
  for (int picture : {2, 4}) {
    Play("1 2 3/4 . 5/7 8 6", picture);
    game.Cls();
    game.DrawBoard();
    const Bitmap& src = game.Controls().Picture3[std::size_t(picture)].Image();
    auto shown = [&](std::uint32_t tile, int x, int y) {
      return picture == 4 ? tile : tile & game.Controls().Picture2.Pixel(x, y);
    };
    EXPECT_EQ(game.Controls().Window.Pixel(50, 100), shown(src.Pixel(0, 0), 50, 100));  // tile 1 at home
    EXPECT_EQ(game.Controls().Window.Pixel(349, 399),
              shown(src.Pixel(299, 199), 349, 399));  // tile 6 in (3, 3)
    // The gap at (2, 2) and everything off the board show the backdrop.
    for (auto [x, y] : {std::pair{150, 200}, {249, 299}, {0, 0}, {49, 399}, {350, 100}, {399, 99}})
      EXPECT_EQ(game.Controls().Window.Pixel(x, y), game.Controls().Picture2.Pixel(x, y)) << x << "," << y;
  }
}

TEST_F(DrawingTest, SolvedBoardShowsEveryPieceForEverySide) {
  for (int side = 3; side <= 6; ++side) {
    Play(kit::SolvedText(side), side == 4 ? 4 : 1);
    game.CheckComplete();
    ASSERT_TRUE(game.State().Solved);
    EXPECT_TRUE(WindowShows(game, Expected(game))) << "side " << side;
    // The last piece, absent during play, fills the bottom-right cell.
    const std::uint32_t corner =
        game.Controls().Picture3[std::size_t(game.State().PictureNo)].Pixel(299, 299);
    EXPECT_EQ(game.Controls().Window.Pixel(349, 399),
              side == 4 ? corner : (corner & game.Controls().Picture2.Pixel(349, 399)));
  }
}

TEST_F(DrawingTest, RepaintMatchesClearAndDrawAndClearsWhatASmallBackdropLeaves) {
  Play("1 2 3/4 . 5/7 8 6", 0);
  game.Cls();
  game.DrawBoard();
  const Bitmap cleared = game.Controls().Window.Image();
  // Leftovers of an earlier screen: the board over another backdrop.
  const Bitmap backdrop = game.Controls().Picture2.Image();
  game.LoadPicture2(Pattern(400, 400, 2));
  game.RepaintBoard();
  game.LoadPicture2(backdrop);
  game.RepaintBoard();
  EXPECT_TRUE(game.Controls().Window.Image() == cleared);

  // A backdrop smaller than the window cannot cover it: the clear shows.
  game.LoadPicture2(Pattern(40, 40, 3));
  game.RepaintBoard();
  EXPECT_EQ(game.Controls().Window.Pixel(10, 10), game.Controls().Picture2.Pixel(10, 10));
  EXPECT_EQ(game.Controls().Window.Pixel(399, 0), kFaceColour);
  EXPECT_EQ(game.Controls().Window.Pixel(200, 250), kFaceColour);  // the gap
}

}  // namespace
}  // namespace mirel
