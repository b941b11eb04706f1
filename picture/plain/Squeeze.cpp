#include "Squeeze.h"

#include <algorithm>

#include "platform/Surface.h"

namespace mirel::picture {

// Coordinates are kept in integers: source pixel i spans [i * to, (i + 1) * to)
// and output pixel x spans [x * from, (x + 1) * from), so every overlap is a
// whole number and the averages are exact. Squeezing only shrinks, so a source
// pixel reaches at most two output pixels in each direction.

Squeeze::Squeeze(int fromWidth, int fromHeight, int toWidth, int toHeight, std::uint32_t* out,
                 std::size_t outStride, const Progress& progress)
    : fromWidth_(fromWidth),
      fromHeight_(fromHeight),
      toWidth_(toWidth),
      toHeight_(toHeight),
      out_(out),
      outStride_(outStride),
      progress_(progress) {
  if (toWidth <= 0 || toHeight <= 0 || fromWidth <= 0 || fromHeight <= 0 || toWidth > fromWidth ||
      toHeight > fromHeight || outStride < std::size_t(toWidth)) {
    out_ = nullptr;  // never enlarges
    return;
  }
  if (!out_) return;
  over_.resize(std::size_t(fromWidth));
  row_.resize(std::size_t(toWidth) * 3);
  sums_.resize(row_.size());
  const std::size_t w = std::size_t(toWidth);
  first_.resize(w), last_.resize(w), firstShare_.resize(w), lastShare_.resize(w);
  const std::uint64_t W = std::uint64_t(fromWidth), n = w;
  for (std::size_t x = 0; x < w; ++x) {
    const std::uint64_t lo = x * W, hi = (x + 1) * W;
    const std::uint64_t i0 = lo / n, i1 = (hi - 1) / n;
    first_[x] = int(i0);
    last_[x] = int(i1);
    firstShare_[x] = std::uint32_t(std::min((i0 + 1) * n, hi) - lo);
    lastShare_[x] = std::uint32_t(hi - std::max(i1 * n, lo));
  }
}

void Squeeze::AddRow(const std::uint32_t* row, bool premultiplied) {
  if (Complete() || !Valid()) return;
  const int W = fromWidth_;
  std::uint32_t opaque = 0xFF000000u;
  for (int i = 0; i < W; ++i) opaque &= row[i];
  if (opaque != 0xFF000000u) {
    const std::uint32_t face = kFaceColour;
    for (int i = 0; i < W; ++i) {
      const std::uint32_t p = row[i], a = p >> 24;
      std::uint32_t c = 0xFF000000u;
      for (int shift = 0; shift < 24; shift += 8) {
        const std::uint32_t s = (p >> shift) & 255, f = (face >> shift) & 255;
        const std::uint32_t v = premultiplied ? std::min<std::uint32_t>(255, s + (f * (255 - a) + 127) / 255)
                                              : (s * a + f * (255 - a) + 127) / 255;
        c |= v << shift;
      }
      over_[std::size_t(i)] = c;
    }
    row = over_.data();
  }

  if (fromWidth_ == toWidth_ && fromHeight_ == toHeight_) {  // nothing to squeeze: each pixel is its own average
    std::uint32_t* out = out_ + std::size_t(y_) * outStride_;
    for (int i = 0; i < W; ++i) out[i] = 0xFF000000u | row[i];
    if ((++y_ & 31) == 0 && progress_) progress_();
    return;
  }

  const std::uint64_t whole = std::uint64_t(toWidth_);
  for (std::size_t x = 0; x < first_.size(); ++x) {
    const int i0 = first_[x], i1 = last_[x];
    const std::uint32_t p0 = row[i0], p1 = row[i1];
    const std::uint64_t a = firstShare_[x];
    std::uint64_t r = ((p0 >> 16) & 255) * a, g = ((p0 >> 8) & 255) * a, b = (p0 & 255) * a;
    if (i1 != i0) {
      std::uint64_t mr = 0, mg = 0, mb = 0;
      for (int i = i0 + 1; i < i1; ++i) {
        const std::uint32_t p = row[i];
        mr += (p >> 16) & 255;
        mg += (p >> 8) & 255;
        mb += p & 255;
      }
      const std::uint64_t c = lastShare_[x];
      r += mr * whole + ((p1 >> 16) & 255) * c;
      g += mg * whole + ((p1 >> 8) & 255) * c;
      b += mb * whole + (p1 & 255) * c;
    }
    row_[3 * x] = r;
    row_[3 * x + 1] = g;
    row_[3 * x + 2] = b;
  }

  const std::uint64_t H = std::uint64_t(fromHeight_), h = std::uint64_t(toHeight_);
  const std::uint64_t top = std::uint64_t(y_) * h, bottom = top + h;
  const std::uint64_t r = top / H, rowEnd = (r + 1) * H;
  auto add = [this](std::uint64_t share) {
    for (std::size_t k = 0; k < sums_.size(); ++k) sums_[k] += row_[k] * share;
  };
  add(std::min(bottom, rowEnd) - top);
  if (bottom >= rowEnd) {
    Emit(int(r));
    std::fill(sums_.begin(), sums_.end(), 0);
    if (bottom > rowEnd) add(bottom - rowEnd);
  }
  ++y_;
  if ((y_ & 31) == 0 && progress_) progress_();
}

void Squeeze::Emit(int row) {
  const std::uint64_t area = std::uint64_t(fromWidth_) * std::uint64_t(fromHeight_);
  std::uint32_t* out = out_ + std::size_t(row) * outStride_;
  for (int x = 0; x < toWidth_; ++x) {
    const std::uint64_t* s = &sums_[std::size_t(x) * 3];
    out[x] = 0xFF000000u | std::uint32_t((s[0] + area / 2) / area) << 16 |
             std::uint32_t((s[1] + area / 2) / area) << 8 | std::uint32_t((s[2] + area / 2) / area);
  }
}

}  // namespace mirel::picture
