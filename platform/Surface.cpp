#include "Surface.h"

#include <algorithm>
#include <climits>
#include <utility>

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

void Surface::LoadPicture(const Bitmap& picture) { LoadPicture(Bitmap(picture)); }

void Surface::LoadPicture(Bitmap&& picture) {
  image_ = std::move(picture);
  blank_ = false;
  width_ = image_.Width();
  height_ = image_.Height();
}

void Surface::Cls() {
  if (!blank_) image_.Fill(kFaceColour);
}

void Surface::Materialise() const {
  if (!blank_) return;
  blank_ = false;
  image_ = Bitmap(width_, height_, kFaceColour);
}

void Surface::Resize(int innerWidth, int innerHeight) {
  innerWidth = ClampInner(innerWidth);
  innerHeight = ClampInner(innerHeight);
  if (innerWidth == ScaleWidth() && innerHeight == ScaleHeight()) return;
  width_ = innerWidth;
  height_ = innerHeight;
  if (blank_ || image_.Empty()) {  // nothing but the face colour to keep
    image_ = Bitmap();
    blank_ = true;
    return;
  }
  Bitmap next(innerWidth, innerHeight, kFaceColour);
  if (!next.Empty()) {
    const int w = std::min(innerWidth, image_.Width());
    const int h = std::min(innerHeight, image_.Height());
    for (int y = 0; y < h; ++y) std::copy_n(image_.Row(y), w, next.Row(y));
  }
  image_ = std::move(next);
}

}  // namespace mirel
