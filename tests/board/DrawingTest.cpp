// The board on the window, checked pixel by pixel against the source pictures.

#include "BoardFixture.h"

namespace mirel {
namespace {

using DrawingTest = BoardTest;

// The window worked out from the pictures alone: the backdrop, and over it each
// tile's square of the source picture, AND-ed for a built-in picture and copied
// for the player's own; the gap's piece only once solved.
QImage Expected(const Game& game) {
  const int side = game.Level + 2;
  const int t = 300 / side;
  const int last = side * side - 1;
  const bool own = game.PictureNo == 4;
  const QImage& source = game.Picture3[std::size_t(game.PictureNo)].Image();
  QImage out = game.Picture2.Image().copy(0, 0, 400, 400);
  for (int c = 1; c <= side; ++c) {
    for (int r = 1; r <= side; ++r) {
      const int tile = game.CellGrid(c, r).TileNo;
      if (tile == last && !game.Solved) continue;
      const int sx = (tile % side) * t, sy = (tile / side) * t;
      const int x0 = 50 + (c - 1) * t, y0 = 100 + (r - 1) * t;
      for (int dy = 0; dy < t; ++dy)
        for (int dx = 0; dx < t; ++dx) {
          const QRgb s = source.pixel(sx + dx, sy + dy);
          const QRgb under = out.pixel(x0 + dx, y0 + dy);
          out.setPixel(x0 + dx, y0 + dy, own ? s : (under & s));
        }
    }
  }
  return out;
}

::testing::AssertionResult WindowShows(const Game& game, const QImage& want) {
  const QImage& have = game.Window.Image();
  if (have.size() != want.size()) return ::testing::AssertionFailure() << "window size differs";
  for (int y = 0; y < want.height(); ++y)
    for (int x = 0; x < want.width(); ++x)
      if (have.pixel(x, y) != want.pixel(x, y))
        return ::testing::AssertionFailure() << "first difference at (" << x << ", " << y << "): have "
                                             << std::hex << have.pixel(x, y) << ", want " << want.pixel(x, y);
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

TEST_F(DrawingTest, BuiltInTilesAreAndedAndTheGapShowsTheBackdrop) {
  Play("1 2 3/4 _ 5/7 8 6", 2);
  game.Cls();
  game.DrawBoard();
  const QImage& src = game.Picture3[2].Image();
  // Cell (1, 1) holds tile 1, cut from source (0, 0).
  EXPECT_EQ(game.Window.Pixel(50, 100), src.pixel(0, 0) & game.Picture2.Pixel(50, 100));
  // Cell (3, 2) holds tile 5, whose home is (2, 2): source (100, 100).
  EXPECT_EQ(game.Window.Pixel(250, 200), src.pixel(100, 100) & game.Picture2.Pixel(250, 200));
  // The gap at (2, 2) and everything off the board show the backdrop.
  for (auto [x, y] : {std::pair{150, 200}, {249, 299}, {200, 250}, {0, 0}, {49, 399}, {350, 100}, {399, 99}})
    EXPECT_EQ(game.Window.Pixel(x, y), game.Picture2.Pixel(x, y)) << x << "," << y;
}

TEST_F(DrawingTest, OwnPictureTilesReplaceTheBackdrop) {
  Play("1 2 3/4 _ 5/7 8 6", 4);
  game.Cls();
  game.DrawBoard();
  const QImage& src = game.Picture3[4].Image();
  EXPECT_EQ(game.Window.Pixel(50, 100), src.pixel(0, 0));
  EXPECT_EQ(game.Window.Pixel(349, 399), src.pixel(299, 199));  // tile 6, home (3, 2), in (3, 3)
  EXPECT_EQ(game.Window.Pixel(200, 250), game.Picture2.Pixel(200, 250));
}

TEST_F(DrawingTest, SolvedBoardShowsEveryPieceForEverySide) {
  for (int side = 3; side <= 6; ++side) {
    Play(kit::SolvedText(side), side == 4 ? 4 : 1);
    game.Solved = true;
    game.Cls();
    game.DrawBoard();
    EXPECT_TRUE(WindowShows(game, Expected(game))) << "side " << side;
    // The last piece, absent during play, fills the bottom-right cell.
    const QRgb corner = game.Picture3[std::size_t(game.PictureNo)].Pixel(299, 299);
    EXPECT_EQ(game.Window.Pixel(349, 399), side == 4 ? corner : (corner & game.Picture2.Pixel(349, 399)));
    game.Solved = false;
    game.Cls();
    game.DrawBoard();
    EXPECT_EQ(game.Window.Pixel(349, 399), game.Picture2.Pixel(349, 399)) << "side " << side;
  }
}

TEST_F(DrawingTest, CellsAreSquaresOfTheLevelsSize) {
  // White backdrop; the source marks every tile's left and top edge in black.
  game.Picture2 = Surface(400, 400);
  game.Picture2.Image().fill(0xFFFFFFFFu);
  for (int level = 1; level <= 4; ++level) {
    const int side = level + 2;
    Surface& src = game.Picture3[0];
    src = Surface(300, 300);
    src.Image().fill(0xFFFFFFFFu);
    for (int i = 0; i < 300; ++i)
      for (int k = 0; k < 300; k += 300 / side) {
        src.Image().setPixel(k, i, 0xFF000000u);
        src.Image().setPixel(i, k, 0xFF000000u);
      }
    Play(kit::SolvedText(side), 0);
    game.Solved = true;
    game.Cls();
    game.DrawBoard();
    // Along row y = 101 the black tile edges fall every 300/side pixels from x = 50.
    std::vector<int> edges;
    for (int x = 0; x < 400; ++x)
      if (game.Window.Pixel(x, 101) == 0xFF000000u) edges.push_back(x);
    std::vector<int> want;
    for (int k = 0; k < side; ++k) want.push_back(50 + k * (300 / side));
    EXPECT_EQ(edges, want) << "side " << side;
  }
}

TEST_F(DrawingTest, RepaintMatchesClearAndDrawAndClearsWhatASmallBackdropLeaves) {
  Play("1 2 3/4 _ 5/7 8 6", 0);
  game.Window.Image().fill(0xFF010203u);  // leftovers of an earlier screen
  game.Cls();
  game.DrawBoard();
  const QImage cleared = game.Window.Image().copy();
  game.Window.Image().fill(0xFF010203u);
  game.RepaintBoard();
  EXPECT_TRUE(game.Window.Image() == cleared);

  // A backdrop smaller than the window cannot cover it: the clear shows.
  Paint(game.Picture2, 40, 40, 3);
  game.Window.Image().fill(0xFF010203u);
  game.RepaintBoard();
  EXPECT_EQ(game.Window.Pixel(10, 10), game.Picture2.Pixel(10, 10));
  EXPECT_EQ(game.Window.Pixel(399, 0), kFaceColour);
  EXPECT_EQ(game.Window.Pixel(200, 250), kFaceColour);  // the gap
}

}  // namespace
}  // namespace mirel
