#pragma once
// A picture box's kept image: an off-screen RGB32 picture with a 2-pixel frame
// (outer size = inner size + 4). Loading a picture sizes the box to it; setting
// the outer size keeps what lies from (0, 0) and fills new area with the face colour.

#include <QImage>
#include <cstdint>

namespace mirel {

// The desktop's standard face colour, the background of windows and boxes.
inline constexpr QRgb kFaceColour = 0xFFF0F0F0u;
inline constexpr int kFrame = 2;  // frame width on each side

class Surface {
 public:
  Surface() : Surface(0, 0) {}
  Surface(int innerWidth, int innerHeight);

  // Outer size, frame included.
  int Width() const { return ScaleWidth() + 2 * kFrame; }
  int Height() const { return ScaleHeight() + 2 * kFrame; }
  void SetWidth(int outer);
  void SetHeight(int outer);

  // Inner size: the drawable picture. A box may be 0 pixels one way and still
  // keep its size the other way, though it then holds no pixels.
  int ScaleWidth() const { return image_.isNull() ? width_ : image_.width(); }
  int ScaleHeight() const { return image_.isNull() ? height_ : image_.height(); }

  // Takes the picture's size and content (converted to RGB32).
  void LoadPicture(const QImage& picture);
  // Fills the whole kept image with the face colour.
  void Cls();

  QImage& Image() {
    Materialise();
    return image_;
  }
  const QImage& Image() const {
    Materialise();
    return image_;
  }
  QRgb Pixel(int x, int y) const { return Image().pixel(x, y); }

 private:
  void Resize(int innerWidth, int innerHeight);
  // A box that holds only the face colour keeps no pixels until they are
  // looked at: most boxes stay blank long after the start, or for good.
  void Materialise() const;
  mutable QImage image_;
  mutable bool blank_ = false;
  // The size while image_ is null, which QImage cannot hold by itself.
  int width_ = 0;
  int height_ = 0;
};

}  // namespace mirel
