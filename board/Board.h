#pragma once
// The rules as a value: a square board of numbered tiles and one gap, the
// slide rule, a move, "is it solved" and the shuffle. No pictures, no sound.
//
// Cells are (column, row), both counted from 1. Tile numbers count from 0 in
// reading order of the solved board; the gap is the last number, side * side - 1.
// The text form counts tiles from 1, as a player would, with "." for the gap,
// rows top to bottom: "1 2 3/4 . 5/7 8 6".

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Random.h"

namespace mirel {

class Board {
 public:
  // No board yet: side 0, nothing to press.
  Board() = default;
  // The solved board of a side (2 or more).
  explicit Board(std::int32_t side);
  // Throws std::invalid_argument unless the text is a square of every tile once and one gap.
  static Board FromText(std::string_view text);
  std::string Text() const;

  std::int32_t Side() const { return side_; }
  std::int32_t GapTile() const { return side_ * side_ - 1; }
  std::int32_t EmptyCol() const { return emptyCol_; }
  std::int32_t EmptyRow() const { return emptyRow_; }
  // The tile in cell (c, r); throws std::out_of_range off the board.
  std::int32_t Tile(std::int32_t c, std::int32_t r) const { return cells_[Index(c, r)]; }

  // The slide rule: cell (c, r) is on the board and beside the gap.
  bool MaySlide(std::int32_t c, std::int32_t r) const;
  // Moves the tile in (c, r) into the gap, which takes its place. Trusts its
  // caller to have asked MaySlide (the shuffle and the press both do).
  void Move(std::int32_t c, std::int32_t r);
  bool IsSolved() const;
  // 201 counted slides of the gap. Each draws a column, then a row, as
  // floor(u * side) + 1; draws that are not beside the gap are redrawn and not
  // counted. An odd count keeps a fresh board from being solved.
  void Shuffle(RandomSource& rnd);

  bool operator==(const Board&) const = default;

 private:
  std::size_t Index(std::int32_t c, std::int32_t r) const;

  std::int32_t side_ = 0;
  std::int32_t emptyCol_ = 0;
  std::int32_t emptyRow_ = 0;
  std::vector<std::int32_t> cells_;  // row by row
};

}  // namespace mirel
