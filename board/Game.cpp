#include "Game.h"

#include <stdexcept>

namespace mirel {

Game::Game(Host& host, Zentik11& lib) : host_(host), lib_(lib) {
  // Design sizes; the menu loads the built-in pictures over them.
  for (Surface& box : Picture3) box = Surface(kPictureSize, kPictureSize);
  Picture1.reserve(kTileSlots);
  Picture1.emplace_back(kTileBoxWidth, kTileBoxHeight);
}

void Game::LoadPicture1(std::size_t index) {
  if (index == 0 || index != Picture1.size())
    throw std::logic_error("Picture1: element already loaded or out of order");
  // A copy of the design, not of what element 0 holds now.
  Picture1.emplace_back(kTileBoxWidth, kTileBoxHeight);
}

}  // namespace mirel
