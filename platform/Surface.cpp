#include "Surface.h"

#include <algorithm>
#include <climits>

namespace mirel {

namespace {
// Inner size from an outer one; the outer size is frame included, and the
// outer size of the result must still fit an int.
int InnerOf(int outer) { return outer <= 2 * kFrame ? 0 : outer - 2 * kFrame; }
int ClampInner(int inner) { return std::clamp(inner, 0, INT_MAX - 2 * kFrame); }
}  // namespace

Surface::Surface(int innerWidth, int innerHeight) { Resize(innerWidth, innerHeight); }

void Surface::SetWidth(int outer) { Resize(InnerOf(outer), ScaleHeight()); }

void Surface::SetHeight(int outer) { Resize(ScaleWidth(), InnerOf(outer)); }

void Surface::LoadPicture(const QImage& picture) {
  image_ = picture.convertToFormat(QImage::Format_RGB32);
  blank_ = false;
  width_ = image_.width();
  height_ = image_.height();
}

void Surface::Cls() {
  if (!blank_) image_.fill(kFaceColour);
}

void Surface::Materialise() const {
  if (!blank_) return;
  blank_ = false;
  image_ = QImage(width_, height_, QImage::Format_RGB32);
  image_.fill(kFaceColour);
}

void Surface::Resize(int innerWidth, int innerHeight) {
  innerWidth = ClampInner(innerWidth);
  innerHeight = ClampInner(innerHeight);
  if (innerWidth == ScaleWidth() && innerHeight == ScaleHeight()) return;
  width_ = innerWidth;
  height_ = innerHeight;
  if (blank_ || image_.isNull()) {  // nothing but the face colour to keep
    image_ = QImage();
    blank_ = true;
    return;
  }
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
