#include "Game.h"

#include <stdexcept>

namespace mirel {

Game::Game(Host& host, Zentik11& lib) : host_(host), lib_(lib) {
  // Design sizes; the menu loads the built-in pictures over them.
  for (Surface& box : controls_.Picture3) box = Surface(kPictureSize, kPictureSize);
  controls_.Picture1.reserve(kTileSlots);
  controls_.Picture1.emplace_back(kTileBoxWidth, kTileBoxHeight);
}

void Game::LoadPicture1(std::size_t index) {
  std::vector<Surface>& boxes = controls_.Picture1;
  if (index == 0 || index != boxes.size() || index >= std::size_t(kTileSlots))
    throw std::logic_error("Picture1: element already loaded or out of order");
  // A copy of the design, not of what element 0 holds now.
  boxes.emplace_back(kTileBoxWidth, kTileBoxHeight);
}

void Game::LoadPicture2(const Bitmap& picture) { controls_.Picture2.LoadPicture(picture); }

void Game::LoadPicture3(std::size_t index, const Bitmap& picture) {
  controls_.Picture3.at(index).LoadPicture(picture);
}

void Game::UseOwnPicture(const Bitmap& fitted) {
  if (state_.BoardActive) throw std::logic_error("UseOwnPicture: a board is in play");
  LoadPicture3(kOwnPictureNo, fitted);
  state_.PictureNo = kOwnPictureNo;
  state_.OwnPicture = true;
}

}  // namespace mirel
