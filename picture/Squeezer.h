#pragma once
// The squeeze every reader decodes into: rows of the decoded picture go in top
// to bottom, each output pixel is the exact area average of the source pixels
// it covers, and only two rows of sums are ever held. Transparent parts are laid
// over the face colour first, as the box behind the picture would show.

#include <QImage>
#include <QSize>

#include <cstdint>
#include <vector>

#include "Reader.h"

namespace mirel::picture {

class Squeezer {
 public:
  // `from` is the size of the rows that come in; no side of `to` may be larger.
  Squeezer(QSize from, QSize to, const Progress& progress);

  // One row of from.width() pixels, 0xAARRGGBB. Premultiplied rows carry colour
  // already scaled by their alpha.
  void AddRow(const std::uint32_t* row, bool premultiplied = false);
  // Every row of an ARGB32 or RGB32 picture of `from`'s size.
  void AddImage(const QImage& picture);

  bool Complete() const { return y_ == from_.height(); }
  // The squeezed picture, once every row is in.
  QImage Take() { return std::move(out_); }

 private:
  void Emit(int row);

  QSize from_, to_;
  const Progress& progress_;
  std::vector<std::uint32_t> over_;  // the row over the face colour
  // For each output column: its first and last source column and their shares
  // of it, in 1/to.width() source pixels; the columns between count whole.
  std::vector<int> first_, last_;
  std::vector<std::uint32_t> firstShare_, lastShare_;
  std::vector<std::uint64_t> row_;   // one source row squeezed across, 3 channels
  std::vector<std::uint64_t> sums_;  // the output row being filled
  QImage out_;
  int y_ = 0;
};

}  // namespace mirel::picture
