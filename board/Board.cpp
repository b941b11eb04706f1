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

Board Board::FromText(std::string_view text) {
  std::vector<std::vector<std::string>> rows(1);
  std::string word;
  auto flush = [&] {
    if (!word.empty()) rows.back().push_back(word);
    word.clear();
  };
  for (const char ch : text) {
    if (ch == '/') {
      flush();
      rows.emplace_back();
    } else if (ch == ' ') {
      flush();
    } else {
      word += ch;
    }
  }
  flush();

  Board board(std::int32_t(rows.size()));
  const std::int32_t side = board.side_;
  std::vector<bool> seen(board.cells_.size(), false);
  for (std::int32_t r = 1; r <= side; ++r) {
    const auto& row = rows[std::size_t(r - 1)];
    if (std::int32_t(row.size()) != side)
      throw std::invalid_argument("Board: not square: " + std::string(text));
    for (std::int32_t c = 1; c <= side; ++c) {
      const std::string& w = row[std::size_t(c - 1)];
      std::int32_t tile = board.GapTile();
      if (w != ".") {
        std::size_t used = 0;
        int number = 0;
        try {
          number = std::stoi(w, &used);
        } catch (const std::exception&) {
          used = 0;
        }
        if (used != w.size() || number < 1 || number >= side * side)
          throw std::invalid_argument("Board: no such tile: " + w);
        tile = number - 1;
      } else {
        board.emptyCol_ = c;
        board.emptyRow_ = r;
      }
      if (seen[std::size_t(tile)]) throw std::invalid_argument("Board: tile twice: " + w);
      seen[std::size_t(tile)] = true;
      board.cells_[board.Index(c, r)] = tile;
    }
  }
  return board;
}

std::string Board::Text() const {
  std::string out;
  for (std::int32_t r = 1; r <= side_; ++r) {
    if (r > 1) out += '/';
    for (std::int32_t c = 1; c <= side_; ++c) {
      if (c > 1) out += ' ';
      const std::int32_t t = Tile(c, r);
      out += t == GapTile() ? std::string(".") : std::to_string(t + 1);
    }
  }
  return out;
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
