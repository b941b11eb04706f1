#pragma once
// The squeeze every reader decodes into: rows of the decoded picture go in top
// to bottom, each output pixel is the exact area average of the source pixels
// it covers, and only two rows of sums are ever held. Transparent parts are laid
// over the face colour first, as the box behind the picture would show.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "Decoding.h"

namespace mirel::picture {

class Squeeze {
 public:
  // Rows of fromWidth pixels come in, fromHeight of them; toHeight rows of
  // toWidth opaque pixels go out to `out`, `outStride` pixels apart. No side of
  // `to` may be larger than from's, and none may be 0.
  Squeeze(int fromWidth, int fromHeight, int toWidth, int toHeight, std::uint32_t* out, std::size_t outStride,
          const Progress& progress);

  // False when the sizes are not ones it squeezes, or there is nowhere to put
  // the result; then rows are ignored and Complete() stays false.
  bool Valid() const { return out_ != nullptr; }

  // One row of fromWidth pixels, 0xAARRGGBB. Premultiplied rows carry colour
  // already scaled by their alpha.
  void AddRow(const std::uint32_t* row, bool premultiplied = false);

  bool Complete() const { return y_ == fromHeight_; }

 private:
  void Emit(int row);

  int fromWidth_, fromHeight_, toWidth_, toHeight_;
  std::uint32_t* out_;
  std::size_t outStride_;
  const Progress& progress_;
  std::vector<std::uint32_t> over_;  // the row over the face colour
  // For each output column: its first and last source column and their shares
  // of it, in 1/toWidth source pixels; the columns between count whole.
  std::vector<int> first_, last_;
  std::vector<std::uint32_t> firstShare_, lastShare_;
  std::vector<std::uint64_t> row_;   // one source row squeezed across, 3 channels
  std::vector<std::uint64_t> sums_;  // the output row being filled
  int y_ = 0;
};

}  // namespace mirel::picture
