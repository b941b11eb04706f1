#include "Game.h"
#include "support/Zentik11.h"

namespace mirel {

PressOutcome Game::Form_MouseDown(std::int16_t /*Button*/, std::int16_t /*Shift*/, float X, float Y) {
  // Any button, with or without modifier keys, acts alike.
  if (!state_.BoardActive) return PressOutcome::Nothing;
  if (state_.Solved) return AskReturnToTitle();
  const std::int32_t side = board_.Side();
  const double x = static_cast<double>(X);
  const double y = static_cast<double>(Y);
  for (std::int32_t c = 1; c <= side; ++c) {
    for (std::int32_t r = 1; r <= side; ++r) {
      const CellRec& cell = CellGrid(c, r);
      // Strict on every edge: a press on the line between two cells hits neither.
      if (!(x > cell.Left && x < cell.Right && y > cell.Top && y < cell.Bottom)) continue;
      // Cells do not overlap, so nothing else can be hit by this press.
      if (!MaySlide(c, r)) return PressOutcome::Nothing;
      MoveTile(c, r);
      if (state_.SoundOn) lib_.PlaySound(1);
      RepaintBoard();
      return CheckComplete() ? PressOutcome::Solved : PressOutcome::Moved;
    }
  }
  return PressOutcome::Nothing;
}

PressOutcome Game::AskReturnToTitle() {
  if (host_.MessageBox(kReturnQuestion, MsgButtons::YesNo, MsgAnswer::Yes, kTitle) != MsgAnswer::Yes)
    return PressOutcome::Nothing;
  DrawBackdrop();
  Refresh();
  state_.Solved = false;
  state_.BoardActive = false;
  return PressOutcome::BackToTitle;
}

}  // namespace mirel
