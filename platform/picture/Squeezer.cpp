#include "Squeezer.h"

#include "platform/Surface.h"

namespace mirel::picture {

// Coordinates are kept in integers: source pixel i spans [i * to, (i + 1) * to)
// and output pixel x spans [x * from, (x + 1) * from), so every overlap is a
// whole number and the averages are exact. Squeezing only shrinks, so a source
// pixel reaches at most two output pixels in each direction.

Squeezer::Squeezer(QSize from, QSize to, const Progress& progress)
    : from_(from),
      to_(to),
      progress_(progress),
      over_(std::size_t(from.width())),
      column_(std::size_t(from.width())),
      weight_(std::size_t(from.width())),
      row_(std::size_t(to.width()) * 3),
      sums_(std::size_t(to.width()) * 3),
      out_(to, QImage::Format_RGB32) {
  if (to.isEmpty() || from.isEmpty() || to.width() > from.width() || to.height() > from.height()) {
    out_ = QImage();  // never enlarges; Complete() stays false
    return;
  }
  const std::uint64_t W = std::uint64_t(from.width()), w = std::uint64_t(to.width());
  for (std::uint64_t i = 0; i < W; ++i) {
    const std::uint64_t start = i * w, x = start / W, end = (x + 1) * W;
    column_[i] = int(x);
    weight_[i] = std::uint32_t(std::min(start + w, end) - start);
  }
}

void Squeezer::AddRow(const std::uint32_t* row, bool premultiplied) {
  if (Complete() || out_.isNull()) return;
  const int W = from_.width();
  const std::uint32_t w = std::uint32_t(to_.width());
  const std::uint32_t face = kFaceColour;
  for (int i = 0; i < W; ++i) {
    const std::uint32_t p = row[i], a = p >> 24;
    if (a == 255) {
      over_[std::size_t(i)] = p;
      continue;
    }
    std::uint32_t c = 0;
    for (int shift = 0; shift < 24; shift += 8) {
      const std::uint32_t s = (p >> shift) & 255, f = (face >> shift) & 255;
      const std::uint32_t v = premultiplied ? std::min<std::uint32_t>(255, s + (f * (255 - a) + 127) / 255)
                                            : (s * a + f * (255 - a) + 127) / 255;
      c |= v << shift;
    }
    over_[std::size_t(i)] = c;
  }

  std::fill(row_.begin(), row_.end(), 0);
  std::uint64_t* across = row_.data();
  const std::size_t last = std::size_t(to_.width()) - 1;
  for (int i = 0; i < W; ++i) {
    const std::uint32_t p = over_[std::size_t(i)];
    const std::size_t x = std::size_t(column_[std::size_t(i)]);
    const std::uint64_t a = weight_[std::size_t(i)], b = w - a;
    const std::uint64_t r = (p >> 16) & 255, g = (p >> 8) & 255, bl = p & 255;
    across[3 * x] += r * a;
    across[3 * x + 1] += g * a;
    across[3 * x + 2] += bl * a;
    if (b != 0 && x < last) {
      across[3 * x + 3] += r * b;
      across[3 * x + 4] += g * b;
      across[3 * x + 5] += bl * b;
    }
  }

  const std::uint64_t H = std::uint64_t(from_.height()), h = std::uint64_t(to_.height());
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

void Squeezer::AddImage(const QImage& picture) {
  const QImage argb = picture.format() == QImage::Format_ARGB32 || picture.format() == QImage::Format_RGB32
                          ? picture
                          : picture.convertToFormat(QImage::Format_ARGB32);
  if (argb.size() != from_ || argb.isNull()) return;
  const bool opaque = argb.format() == QImage::Format_RGB32;
  std::vector<std::uint32_t> line(opaque ? std::size_t(from_.width()) : 0);
  for (int y = 0; y < argb.height(); ++y) {
    const auto* pixels = reinterpret_cast<const std::uint32_t*>(argb.constScanLine(y));
    if (opaque) {  // RGB32 leaves the top byte undefined
      for (std::size_t x = 0; x < line.size(); ++x) line[x] = pixels[x] | 0xFF000000u;
      pixels = line.data();
    }
    AddRow(pixels);
  }
}

void Squeezer::Emit(int row) {
  const std::uint64_t area = std::uint64_t(from_.width()) * std::uint64_t(from_.height());
  auto* out = reinterpret_cast<std::uint32_t*>(out_.scanLine(row));
  for (int x = 0; x < to_.width(); ++x) {
    const std::uint64_t* s = &sums_[std::size_t(x) * 3];
    out[x] = 0xFF000000u | std::uint32_t((s[0] + area / 2) / area) << 16 |
             std::uint32_t((s[1] + area / 2) / area) << 8 | std::uint32_t((s[2] + area / 2) / area);
  }
}

}  // namespace mirel::picture
