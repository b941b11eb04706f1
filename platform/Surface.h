#pragma once
// A picture box's kept image: an off-screen RGB32 picture with a 2-pixel frame
// (outer size = inner size + 4). Loading a picture sizes the box to it; setting
// the outer size keeps what lies from (0, 0) and fills new area with the face colour.

#include <cstdint>

#include "Bitmap.h"

namespace mirel {

// The desktop's standard face colour, the background of windows and boxes.
inline constexpr std::uint32_t kFaceColour = 0xFFF0F0F0u;
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
  int ScaleWidth() const { return width_; }
  int ScaleHeight() const { return height_; }

  // Takes the picture's size and content.
  void LoadPicture(const Bitmap& picture);
  void LoadPicture(Bitmap&& picture);
  // Fills the whole kept image with the face colour.
  void Cls();

  Bitmap& Image() {
    Materialise();
    return image_;
  }
  const Bitmap& Image() const {
    Materialise();
    return image_;
  }
  std::uint32_t Pixel(int x, int y) const { return Image().Pixel(x, y); }

 private:
  void Resize(int innerWidth, int innerHeight);
  // A box that holds only the face colour keeps no pixels until they are
  // looked at: most boxes stay blank long after the start, or for good.
  void Materialise() const;
  mutable Bitmap image_;
  mutable bool blank_ = false;
  // The inner size, which a blank box keeps without its pixels.
  int width_ = 0;
  int height_ = 0;
};

}  // namespace mirel
