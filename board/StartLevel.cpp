#include <cmath>
#include <stdexcept>

#include "Game.h"

namespace mirel {

namespace {

// Below 3 x 3 the shuffle could never find a move; above 6 x 6 there are not
// enough tile boxes.
void CheckLevel(std::int32_t level) {
  if (level < 1 || level > 4) throw std::invalid_argument("StartLevel: level outside 1..4");
}

}  // namespace

void Game::StartLevel(std::int32_t level, std::int32_t pictureNo) {
  // Refused before anything changes.
  CheckLevel(level);
  if (pictureNo < 0 || pictureNo > kOwnPictureNo) throw std::invalid_argument("StartLevel: no such picture");
  if (controls_.Picture1.size() != std::size_t(kTileSlots))
    throw std::logic_error("StartLevel: tile boxes not loaded");
  state_.Level = level;
  state_.PictureNo = pictureNo;
  // An own picture serves one game.
  state_.OwnPicture = false;
  state_.Solved = false;
  CellGrid.Redim(level + 3);
  NewGame();
  state_.BoardActive = true;
}

std::int32_t Game::PickPicture() {
  return state_.OwnPicture ? kOwnPictureNo : std::int32_t(std::floor(Rnd.Next() * kOwnPictureNo));
}

void Game::SetBoard(const Board& board) {
  if (!state_.BoardActive || state_.Solved) throw std::logic_error("SetBoard: no unsolved board in play");
  if (board.Side() != state_.Level + 2) throw std::invalid_argument("SetBoard: side differs from the level");
  board_ = board;
}

}  // namespace mirel
