#include "Board.h"

#include <cstdlib>
#include <stdexcept>
#include <utility>

namespace mirel {

Board::Board(std::int32_t side) : side_(side), emptyCol_(side), emptyRow_(side) {
  // Below 2 x 2 no tile could ever slide, and the shuffle would never end.
  if (side < 2) throw std::invalid_argument("Board: side below 2");
  cells_.resize(std::size_t(side) * std::size_t(side));
  for (std::size_t i = 0; i < cells_.size(); ++i) cells_[i] = std::int32_t(i);
}

std::size_t Board::Index(std::int32_t c, std::int32_t r) const {
  if (c < 1 || r < 1 || c > side_ || r > side_) throw std::out_of_range("Board: cell off the board");
  return std::size_t(r - 1) * std::size_t(side_) + std::size_t(c - 1);
}

bool Board::MaySlide(std::int32_t c, std::int32_t r) const {
  if (c < 1 || r < 1 || c > side_ || r > side_) return false;
  return std::abs(c - emptyCol_) + std::abs(r - emptyRow_) == 1;
}

void Board::Move(std::int32_t c, std::int32_t r) {
  std::swap(cells_[Index(emptyCol_, emptyRow_)], cells_[Index(c, r)]);
  emptyCol_ = c;
  emptyRow_ = r;
}

bool Board::IsSolved() const {
  for (std::size_t i = 0; i < cells_.size(); ++i)
    if (cells_[i] != std::int32_t(i)) return false;
  return side_ > 0;
}

void Board::Shuffle(RandomSource& rnd) {
  for (int move = 0; move <= 200; ++move) {
    std::int32_t c = 0;
    std::int32_t r = 0;
    do {
      // u * side is never negative, so converting it (which truncates) floors it.
      c = std::int32_t(rnd.Next() * side_) + 1;
      r = std::int32_t(rnd.Next() * side_) + 1;
    } while (!MaySlide(c, r));
    Move(c, r);
  }
}

}  // namespace mirel
