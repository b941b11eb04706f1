#include "AreaAverage.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace mirel {

namespace {

// How n source pixels spread over m new ones along one side. In units of
// 1/m source pixel, source pixel i spans [i * m, (i + 1) * m) and new pixel
// k spans [k * n, (k + 1) * n): every overlap is a whole number and the
// shares of each new pixel add up to n.
struct Spread {
  std::vector<int> first;            // per new pixel, its first source pixel
  std::vector<std::size_t> start;    // where its shares begin in `share`; one more at the end
  std::vector<std::uint64_t> share;  // overlap of each source pixel it covers

  Spread(int n, int m) {
    const std::uint64_t N = std::uint64_t(n), M = std::uint64_t(m);
    for (std::uint64_t k = 0; k < M; ++k) {
      const std::uint64_t lo = k * N, hi = (k + 1) * N;
      first.push_back(int(lo / M));
      start.push_back(share.size());
      for (std::uint64_t i = lo / M; i * M < hi; ++i)
        share.push_back(std::min((i + 1) * M, hi) - std::max(i * M, lo));
    }
    start.push_back(share.size());
  }
};

}  // namespace

Bitmap AreaAverage(const Bitmap& src, int x, int y, int w, int h, int toWidth, int toHeight) {
  const Spread across(w, toWidth), down(h, toHeight);
  Bitmap out(toWidth, toHeight);
  const std::size_t width = std::size_t(toWidth);
  std::vector<std::uint64_t> row(width * 3), sums(width * 3);
  // Every channel's sum is below 256 * w * h, and the block lies in memory.
  const std::uint64_t whole = std::uint64_t(w) * std::uint64_t(h);
  for (int k = 0; k < toHeight; ++k) {
    std::fill(sums.begin(), sums.end(), 0);
    const std::size_t K = std::size_t(k);
    int sourceRow = y + down.first[K];
    for (std::size_t j = down.start[K]; j < down.start[K + 1]; ++j, ++sourceRow) {
      const std::uint32_t* line = src.Row(sourceRow) + x;
      const std::uint64_t rowShare = down.share[j];
      for (std::size_t c = 0; c < width; ++c) {
        std::uint64_t r = 0, g = 0, b = 0;
        const std::uint32_t* p = line + across.first[c];
        for (std::size_t i = across.start[c]; i < across.start[c + 1]; ++i, ++p) {
          const std::uint64_t s = across.share[i];
          r += ((*p >> 16) & 0xFFu) * s;
          g += ((*p >> 8) & 0xFFu) * s;
          b += (*p & 0xFFu) * s;
        }
        sums[3 * c] += r * rowShare;
        sums[3 * c + 1] += g * rowShare;
        sums[3 * c + 2] += b * rowShare;
      }
    }
    std::uint32_t* to = out.Row(k);
    for (std::size_t c = 0; c < width; ++c) {
      const auto mean = [&](std::uint64_t sum) { return std::uint32_t((sum + whole / 2) / whole); };
      to[c] = 0xFF000000u | mean(sums[3 * c]) << 16 | mean(sums[3 * c + 1]) << 8 | mean(sums[3 * c + 2]);
    }
  }
  return out;
}

}  // namespace mirel
