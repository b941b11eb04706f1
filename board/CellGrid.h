#pragma once
// Where each board cell lies in the window: both indexes run 0 .. upper, the
// playing cells 1 .. upper - 1, inside a one-cell ring that continues the grid
// outward. Which tile a cell holds is the Board's business.

#include <cstdint>
#include <stdexcept>
#include <vector>

namespace mirel {

struct CellRec {
  std::int32_t Left = 0;
  std::int32_t Top = 0;
  std::int32_t Right = 0;
  std::int32_t Bottom = 0;
  std::int32_t Width = 0;
  std::int32_t Height = 0;
};

class CellGridArray {
 public:
  // Reallocates to indexes 0 .. upper in both directions, every field zero.
  void Redim(std::int32_t upper) {
    if (upper < 0) throw std::out_of_range("CellGrid: negative bound");
    upper_ = upper;
    cells_.assign(std::size_t(upper + 1) * std::size_t(upper + 1), CellRec{});
  }
  bool Allocated() const { return upper_ >= 0; }
  std::int32_t UBound() const { return upper_; }

  // Column c, row r. An index outside the array is a run-time error for the caller.
  CellRec& operator()(std::int32_t c, std::int32_t r) { return cells_[Index(c, r)]; }
  const CellRec& operator()(std::int32_t c, std::int32_t r) const { return cells_[Index(c, r)]; }

 private:
  std::size_t Index(std::int32_t c, std::int32_t r) const {
    if (c < 0 || r < 0 || c > upper_ || r > upper_)
      throw std::out_of_range("CellGrid: subscript out of range");
    return std::size_t(c) * std::size_t(upper_ + 1) + std::size_t(r);
  }
  std::int32_t upper_ = -1;
  std::vector<CellRec> cells_;
};

}  // namespace mirel
