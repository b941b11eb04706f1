#include "Game.h"
#include "support/Zentik11.h"

namespace mirel {

bool Game::CheckComplete() {
  if (!state_.BoardActive || state_.Solved || !board_.IsSolved()) return false;

  // The board with its gap stays up for a moment before the last piece drops in.
  host_.Sleep(300);
  if (state_.SoundOn) lib_.PlaySound(2);
  state_.Solved = true;
  RepaintBoard();
  host_.MessageBox(kSuccessMessage, MsgButtons::Ok, MsgAnswer::Ok, kTitle);
  return true;
}

}  // namespace mirel
