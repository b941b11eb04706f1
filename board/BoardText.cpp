// The board as a line of text, "1 2 3/4 . 5/7 8 6", which tests and
// benchmarks write boards in. Apart from the rules, so the program, which
// never reads or writes one, does not carry it.

#include <stdexcept>
#include <string>
#include <vector>

#include "Board.h"

namespace mirel {

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

}  // namespace mirel
