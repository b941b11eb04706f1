#include "Surface.h"

#include <algorithm>

namespace mirel {

Surface::Surface(int innerWidth, int innerHeight) {
  Resize(std::max(0, innerWidth), std::max(0, innerHeight));
}

void Surface::SetWidth(int outer) { Resize(std::max(0, outer - 2 * kFrame), ScaleHeight()); }

void Surface::SetHeight(int outer) { Resize(ScaleWidth(), std::max(0, outer - 2 * kFrame)); }

void Surface::LoadPicture(const QImage& picture) {
  image_ = picture.convertToFormat(QImage::Format_RGB32);
}

void Surface::Cls() { image_.fill(kFaceColour); }

void Surface::Resize(int innerWidth, int innerHeight) {
  if (!image_.isNull() && innerWidth == image_.width() && innerHeight == image_.height()) return;
  QImage next(innerWidth, innerHeight, QImage::Format_RGB32);
  next.fill(kFaceColour);
  if (!image_.isNull() && !next.isNull()) {
    const int w = std::min(innerWidth, image_.width());
    const int h = std::min(innerHeight, image_.height());
    for (int y = 0; y < h; ++y)
      std::copy_n(reinterpret_cast<const QRgb*>(image_.constScanLine(y)), w,
                  reinterpret_cast<QRgb*>(next.scanLine(y)));
  }
  image_ = std::move(next);
}

}  // namespace mirel
