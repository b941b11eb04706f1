#include "Squeezer.h"

#include <vector>

namespace mirel::picture {

Squeezer::Squeezer(QSize from, QSize to, const Progress& progress)
    : from_(from),
      out_(to, QImage::Format_RGB32),
      squeeze_(from.width(), from.height(), to.width(), to.height(),
               reinterpret_cast<std::uint32_t*>(out_.bits()), std::size_t(out_.bytesPerLine()) / 4, progress) {
  if (!squeeze_.Valid()) out_ = QImage();
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

}  // namespace mirel::picture
