#include "Game.h"

namespace mirel {

void Game::MoveTile(std::int32_t col, std::int32_t row) {
  CellGrid(EmptyCol, EmptyRow).TileNo = CellGrid(col, row).TileNo;
  CellGrid(col, row).TileNo = GridCols * GridRows - 1;
  EmptyCol = col;
  EmptyRow = row;
}

bool Game::MaySlide(std::int32_t c, std::int32_t r) const {
  const std::int32_t empty = GridCols * GridRows - 1;
  const std::int32_t side = Level + 2;
  // All four neighbours are read, in this order; for an edge cell the read
  // lands in the border ring. Plain & and | rather than && and ||: the shuffle
  // asks this thousands of times with random answers, and branches would
  // mostly be guessed wrong.
  const bool left = (CellGrid(c - 1, r).TileNo == empty) & (c > 1);
  const bool right = (CellGrid(c + 1, r).TileNo == empty) & (c < side);
  const bool up = (CellGrid(c, r - 1).TileNo == empty) & (r > 1);
  const bool down = (CellGrid(c, r + 1).TileNo == empty) & (r < side);
  return left | right | up | down;
}

}  // namespace mirel
