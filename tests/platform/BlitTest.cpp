// Block copies: clipping against both images, the two raster operations,
// copies within one surface, and smooth stretching.

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>

#include "platform/Blit.h"
#include "tests/platform/Pattern.h"

namespace mirel {
namespace {

using test::PatternSurface;
using test::RawPixel;

struct Point {
  int x, y;
};
constexpr std::uint32_t kBlue = 0xFF0000FFu;
int Red(std::uint32_t c) { return int(c >> 16 & 0xFF); }
int Green(std::uint32_t c) { return int(c >> 8 & 0xFF); }

// What a block copy must leave in dst, worked out pixel by pixel from the
// destination's side: each destination pixel takes the source pixel that the
// block puts there, if the block covers it and that source pixel exists.
Bitmap Expected(const Surface& dst, std::int64_t x, std::int64_t y, std::int64_t w, std::int64_t h,
                const Surface& src, std::int64_t sx, std::int64_t sy, Rop rop) {
  Surface out;
  out.LoadPicture(dst.Image());
  for (int dy = 0; dy < dst.ScaleHeight(); ++dy)
    for (int dx = 0; dx < dst.ScaleWidth(); ++dx) {
      const std::int64_t i = dx - x, j = dy - y;
      if (i < 0 || j < 0 || i >= w || j >= h) continue;
      const std::int64_t px = sx + i, py = sy + j;
      if (px < 0 || py < 0 || px >= src.ScaleWidth() || py >= src.ScaleHeight()) continue;
      const std::uint32_t s = RawPixel(src, int(px), int(py));
      out.Image().SetPixel(dx, dy, rop == Rop::SRCAND ? RawPixel(dst, dx, dy) & s : s);
    }
  return out.Image();
}

struct Block {
  int x, y, w, h, sx, sy;
};

void PrintTo(const Block& b, std::ostream* os) {
  *os << "(" << b.x << "," << b.y << " " << b.w << "x" << b.h << " from " << b.sx << "," << b.sy << ")";
}

class BitBltClipping : public ::testing::TestWithParam<Block> {};

TEST_P(BitBltClipping, TouchesOnlyWhatLiesInsideBothImages) {
  const Block b = GetParam();
  for (Rop rop : {Rop::SRCCOPY, Rop::SRCAND}) {
    Surface dst(40, 30);
    dst.Image().Fill(0xFF7F7F7Fu);
    const Surface src = PatternSurface(30, 20);
    const Bitmap want = Expected(dst, b.x, b.y, b.w, b.h, src, b.sx, b.sy, rop);
    BitBlt(dst, b.x, b.y, b.w, b.h, src, b.sx, b.sy, rop);
    EXPECT_TRUE(dst.Image() == want);
    EXPECT_EQ(dst.ScaleWidth(), 40);
    EXPECT_EQ(dst.ScaleHeight(), 30);
  }
}

INSTANTIATE_TEST_SUITE_P(
    EverySide, BitBltClipping,
    ::testing::Values(Block{5, 5, 10, 8, 2, 3},               // inside both
                      Block{-4, -3, 10, 8, 2, 3},             // off the destination's top-left
                      Block{5, 5, 10, 8, -3, -2},             // off the source's top-left
                      Block{-2, -5, 12, 12, -4, -1},          // off both
                      Block{35, 25, 10, 10, 0, 0},            // past the destination's right and bottom
                      Block{0, 0, 20, 20, 25, 15},            // past the source's right and bottom
                      Block{-10, -10, 100, 100, -5, -5},      // larger than both
                      Block{40, 0, 5, 5, 0, 0},               // just right of the destination
                      Block{0, 30, 5, 5, 0, 0},               // just below it
                      Block{-5, 0, 5, 5, 0, 0},               // just left of it
                      Block{0, 0, 5, 5, 30, 0},               // just right of the source
                      Block{0, 0, 5, 5, 0, -5},               // just above it
                      Block{5, 5, 0, 8, 0, 0},                // empty
                      Block{5, 5, 8, 0, 0, 0},                // empty
                      Block{5, 5, -3, 8, 0, 0},               // negative size
                      Block{5, 5, 8, INT_MIN, 0, 0},          // negative size
                      Block{INT_MAX, INT_MAX, 10, 10, 0, 0},  // far away
                      Block{INT_MIN, INT_MIN, INT_MAX, INT_MAX, 0, 0},
                      Block{-5, -5, INT_MAX, INT_MAX, 0, 0},  // huge block, clipped to both
                      Block{0, 0, INT_MAX, INT_MAX, INT_MIN, INT_MIN},
                      Block{3, 4, INT_MAX, INT_MAX, INT_MAX, INT_MAX}));

TEST(BitBlt, SrcCopyTakesTheSourceAndSrcAndIsAnExactBitwiseAnd) {
  Surface stele(4, 1);
  stele.Image().Fill(0xFF7F7F7Fu);  // grey
  Surface relief(4, 1);
  const std::uint32_t source[4] = {0xFFFFFFFFu, 0xFF000000u, 0xFFF0F0F0u, 0xFF12F0A5u};
  for (int x = 0; x < 4; ++x) relief.Image().SetPixel(x, 0, source[x]);

  Surface copy = stele;
  BitBlt(copy, 0, 0, 4, 1, relief, 0, 0, Rop::SRCCOPY);
  for (int x = 0; x < 4; ++x) EXPECT_EQ(RawPixel(copy, x, 0), source[x]);

  BitBlt(stele, 0, 0, 4, 1, relief, 0, 0, Rop::SRCAND);
  EXPECT_EQ(RawPixel(stele, 0, 0), 0xFF7F7F7Fu);  // white keeps the stele
  EXPECT_EQ(RawPixel(stele, 1, 0), 0xFF000000u);  // black cuts the line
  EXPECT_EQ(RawPixel(stele, 2, 0), 0xFF707070u);
  EXPECT_EQ(RawPixel(stele, 3, 0), 0xFF127025u);
}

TEST(BitBlt, ACopyWithinOneSurfaceReadsThePixelsAsTheyWereBefore) {
  const Block shifts[] = {{3, 2, 20, 15, 0, 0},
                          {0, 0, 20, 15, 3, 2},
                          {5, 0, 30, 20, 0, 1},
                          {-2, 1, 40, 30, 0, 0},
                          {0, 0, 40, 30, 1, 1}};
  for (const Block& b : shifts)
    for (Rop rop : {Rop::SRCCOPY, Rop::SRCAND}) {
      Surface surface = PatternSurface(40, 30);
      const Surface before = PatternSurface(40, 30);
      const Bitmap want = Expected(before, b.x, b.y, b.w, b.h, before, b.sx, b.sy, rop);
      BitBlt(surface, b.x, b.y, b.w, b.h, surface, b.sx, b.sy, rop);
      EXPECT_TRUE(surface.Image() == want) << ::testing::PrintToString(b);
    }
}

TEST(StretchBlt, ShrinksSmoothly) {
  // 640 x 480 of one-pixel black and white checks, left half; plain blue, right half.
  Bitmap picture(640, 480);
  for (int y = 0; y < 480; ++y)
    for (int x = 0; x < 640; ++x)
      picture.SetPixel(x, y, x >= 320 ? kBlue : (x + y) % 2 ? 0xFFFFFFFFu : 0xFF000000u);
  Surface src;
  src.LoadPicture(picture);
  Surface dst(300, 300);
  dst.Image().Fill(0xFF00FF00u);

  StretchBlt(dst, 0, 0, 300, 300, src, 0, 0, 640, 480);
  // Smooth: the checks average to grey instead of picking black or white.
  for (Point p : {Point{10, 10}, Point{75, 150}, Point{140, 290}}) {
    const std::uint32_t c = dst.Pixel(p.x, p.y);
    EXPECT_NEAR(Red(c), 127, 24) << p.x << "," << p.y;
    EXPECT_EQ(Red(c), Green(c));
  }
  for (Point p : {Point{160, 0}, Point{230, 150}, Point{299, 299}}) EXPECT_EQ(dst.Pixel(p.x, p.y), kBlue);
  for (int y = 0; y < 300; ++y)
    for (int x = 0; x < 300; ++x) ASSERT_EQ(RawPixel(dst, x, y) >> 24, 0xFFu);

  // Onto a larger surface, only the block changes.
  Surface window(400, 400);
  StretchBlt(window, 50, 100, 300, 300, src, 0, 0, 640, 480);
  EXPECT_EQ(window.Pixel(49, 250), kFaceColour);
  EXPECT_EQ(window.Pixel(200, 99), kFaceColour);
  EXPECT_EQ(window.Pixel(349, 399), kBlue);
}

TEST(StretchBlt, EachPixelIsTheAreaAverageOfWhatItCovers) {
  // Three columns into two: each new pixel covers one and a half old ones.
  // Two rows into three: each new row covers two thirds of an old one.
  Bitmap picture(3, 2);
  const std::uint32_t grey[3] = {0, 90, 180};
  for (int x = 0; x < 3; ++x) {
    picture.SetPixel(x, 0, 0xFF000000u | grey[x] << 16 | grey[x] << 8 | grey[x]);
    picture.SetPixel(x, 1, 0xFF000000u | grey[x] << 16 | 0xFFu);
  }
  Surface src;
  src.LoadPicture(picture);
  Surface dst(2, 3);
  StretchBlt(dst, 0, 0, 2, 3, src, 0, 0, 3, 2);
  // Left: (0 + 90 / 2) / 1.5 = 30; right: (90 / 2 + 180) / 1.5 = 150. The
  // middle row is half of each row; the blue of the second row stays whole.
  EXPECT_EQ(RawPixel(dst, 0, 0), 0xFF1E1E1Eu);
  EXPECT_EQ(RawPixel(dst, 1, 0), 0xFF969696u);
  EXPECT_EQ(RawPixel(dst, 0, 1), 0xFF1E0F8Fu);  // green 15, blue (30 + 255) / 2 rounded
  EXPECT_EQ(RawPixel(dst, 1, 2), 0xFF9600FFu);
}

TEST(StretchBlt, ScalesASurfaceOntoItself) {
  Surface box = PatternSurface(640, 480);
  Surface copy = PatternSurface(640, 480);
  Surface want(640, 480);
  BitBlt(want, 0, 0, 640, 480, copy, 0, 0, Rop::SRCCOPY);
  StretchBlt(want, 0, 0, 300, 300, copy, 0, 0, 640, 480);

  StretchBlt(box, 0, 0, 300, 300, box, 0, 0, 640, 480);
  EXPECT_TRUE(box.Image() == want.Image());
  EXPECT_EQ(RawPixel(box, 300, 0), test::PatternPixel(300, 0));
  EXPECT_EQ(RawPixel(box, 0, 300), test::PatternPixel(0, 300));
}

TEST(StretchBlt, LeavesTheDestinationAloneWhereTheSourceHasNoPixels) {
  const Surface src = PatternSurface(50, 50);
  Surface dst(100, 100);
  // 1:1 scale, the block reaching 50 pixels past the source's right and bottom.
  StretchBlt(dst, 0, 0, 100, 100, src, 0, 0, 100, 100);
  for (int y = 0; y < 100; ++y)
    for (int x = 0; x < 100; ++x)
      ASSERT_EQ(RawPixel(dst, x, y), x < 50 && y < 50 ? test::PatternPixel(x, y) : kFaceColour)
          << x << "," << y;

  // Scaled twice up from a block whose top-left quarter lies off the source:
  // that quarter of the destination block stays as it was.
  Surface red(50, 50);
  red.Image().Fill(0xFFFF0000u);
  Surface big(200, 200);
  StretchBlt(big, 0, 0, 200, 200, red, -50, -50, 100, 100);
  for (Point p : {Point{0, 0}, Point{99, 99}, Point{99, 199}, Point{199, 99}})
    EXPECT_EQ(RawPixel(big, p.x, p.y), kFaceColour) << p.x << "," << p.y;
  for (Point p : {Point{100, 100}, Point{150, 150}, Point{199, 199}})
    EXPECT_EQ(RawPixel(big, p.x, p.y), 0xFFFF0000u) << p.x << "," << p.y;

  // A block wholly outside the source, or of no size, draws nothing.
  Surface untouched(100, 100);
  StretchBlt(untouched, 0, 0, 100, 100, src, 50, 0, 10, 10);
  StretchBlt(untouched, 0, 0, 100, 100, src, -10, -10, 10, 10);
  StretchBlt(untouched, 0, 0, 0, 100, src, 0, 0, 10, 10);
  StretchBlt(untouched, 0, 0, 100, 100, src, 0, 0, 10, -10);
  StretchBlt(untouched, INT_MAX, INT_MAX, 100, 100, src, 0, 0, 10, 10);
  StretchBlt(untouched, 0, 0, 100, 100, src, INT_MAX, INT_MAX, INT_MAX, INT_MAX);
  EXPECT_TRUE(test::AllPixels(untouched, kFaceColour));
}

}  // namespace
}  // namespace mirel
