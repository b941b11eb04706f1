#include "Game.h"

#include <stdexcept>

namespace mirel {

void Game::StartLevel(std::int32_t level, std::int32_t pictureNo) {
  Level = level;
  PictureNo = pictureNo;
  Solved = false;
  CellGrid.Redim(level + 3);
  PictureNeeded(pictureNo);
  NewGame();
  BoardActive = true;
}

void Game::SetBoard(const Board& board) {
  if (board.Side() != Level + 2) throw std::invalid_argument("SetBoard: side differs from the level");
  board_ = board;
}

}  // namespace mirel
