#include "Game.h"
#include "platform/Blit.h"

namespace mirel {

void Game::DrawBoard() {
  // The backdrop covers the whole window, so the gap and the margins show it.
  DrawBackdrop();

  const std::int32_t side = board_.Side();
  const std::int32_t last = board_.GapTile();
  // Built-in pictures are black on white: AND leaves the stele grey under white
  // and black under the lines. The player's own picture is shown as it is.
  const Rop rop = state_.PictureNo == kOwnPictureNo ? Rop::SRCCOPY : Rop::SRCAND;
  for (std::int32_t k = 0; k <= last; ++k) {
    const std::int32_t c = k % side + 1;
    const std::int32_t r = k / side + 1;
    const std::int32_t tile = board_.Tile(c, r);
    if (tile == last) continue;  // the gap
    const CellRec& cell = CellGrid(c, r);
    BitBlt(controls_.Window, cell.Left, cell.Top, cell.Width, cell.Height,
           controls_.Picture1.at(std::size_t(tile)), 0, 0, rop);
  }
  if (state_.Solved) {
    const CellRec& cell = CellGrid(side, side);
    BitBlt(controls_.Window, cell.Left, cell.Top, cell.Width, cell.Height,
           controls_.Picture1.at(std::size_t(last)), 0, 0, rop);
  }
}

void Game::DrawBackdrop() {
  BitBlt(controls_.Window, 0, 0, kClientSize, kClientSize, controls_.Picture2, 0, 0, Rop::SRCCOPY);
}

}  // namespace mirel
