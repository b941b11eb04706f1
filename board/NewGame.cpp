#include <cmath>
#include <limits>
#include <stdexcept>

#include "Game.h"
#include "platform/Blit.h"

namespace mirel {

namespace {

// Pixel values are worked out in floating point and stored as whole numbers,
// rounding half to even; out of range is an overflow, as for any integer.
std::int32_t ToLong(double value) {
  const double rounded = std::nearbyint(value);
  if (!(rounded >= std::numeric_limits<std::int32_t>::min() &&
        rounded <= std::numeric_limits<std::int32_t>::max()))
    throw std::overflow_error("overflow");
  return static_cast<std::int32_t>(rounded);
}

}  // namespace

void Game::NewGame() {
  // StartLevel has checked the level and sized the grid.
  const std::int32_t side = state_.Level + 2;
  const std::int32_t upper = state_.Level + 3;
  const double tile = double(kBoardSize) / side;

  // Column by column, the ring around the board included.
  for (std::int32_t c = 0; c <= upper; ++c) {
    for (std::int32_t r = 0; r <= upper; ++r) {
      const double x = double((c - 1) * kBoardSize) / side;
      const double y = double((r - 1) * kBoardSize) / side;
      if (c > 0 && c < upper && r > 0 && r < upper) {
        const std::int32_t t = (r - 1) * side + (c - 1);
        BitBlt(controls_.Picture1.at(std::size_t(t)), 0, 0, ToLong(tile), ToLong(tile),
               controls_.Picture3.at(std::size_t(state_.PictureNo)), ToLong(x), ToLong(y), Rop::SRCCOPY);
        // The tile box is hidden and keeps its image: nothing to show.
      }
      CellRec& cell = CellGrid(c, r);
      cell.Left = ToLong(kBoardLeft + x);
      cell.Top = ToLong(kBoardTop + y);
      cell.Right = ToLong(tile + cell.Left);
      cell.Bottom = ToLong(tile + cell.Top);
      cell.Width = cell.Right - cell.Left;
      cell.Height = cell.Bottom - cell.Top;
    }
  }
  board_ = Board(side);
  Shuffle();
  RepaintBoard();
}

void Game::Shuffle() { board_.Shuffle(Rnd); }

}  // namespace mirel
