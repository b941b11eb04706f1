#include "Game.h"
#include "support/Zentik11.h"

namespace mirel {

void Game::CheckComplete() {
  const std::int32_t side = Level + 2;
  for (std::int32_t c = 1; c <= GridCols; ++c)
    for (std::int32_t r = 1; r <= GridRows; ++r)
      if (CellGrid(c, r).TileNo != (c - 1) + side * (r - 1)) return;

  // The board with its gap stays up for a moment before the last piece drops in.
  host_.Sleep(300);
  if (SoundOn) lib_.PlaySound(2);
  Solved = true;
  RepaintBoard();
  host_.MessageBox(kSuccessMessage, MsgButtons::Ok, MsgAnswer::Ok, kTitle);
}

}  // namespace mirel
