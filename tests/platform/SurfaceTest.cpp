// Picture boxes: the frame rule, loading a picture, and setting the outer size.

#include <gtest/gtest.h>

#include <climits>

#include "platform/Surface.h"
#include "tests/platform/Pattern.h"

namespace mirel {
namespace {

TEST(Surface, OuterSizeIsInnerSizePlusTheFrame) {
  Surface tile(205, 213);
  EXPECT_EQ(tile.Width(), 209);
  EXPECT_EQ(tile.Height(), 217);
  EXPECT_EQ(tile.ScaleWidth(), 205);
  EXPECT_EQ(tile.ScaleHeight(), 213);
  EXPECT_TRUE(test::AllPixels(tile, kFaceColour));

  tile.SetWidth(304);
  tile.SetHeight(404);
  EXPECT_EQ(tile.ScaleWidth(), 300);
  EXPECT_EQ(tile.ScaleHeight(), 400);

  // An outer size no larger than the frame leaves nothing inside, never less.
  for (int outer : {4, 3, 0, -1, INT_MIN}) {
    Surface box(10, 10);
    box.SetWidth(outer);
    EXPECT_EQ(box.ScaleWidth(), 0) << outer;
    EXPECT_EQ(box.Width(), 4) << outer;
    EXPECT_EQ(box.ScaleHeight(), 10) << outer;
  }
  EXPECT_EQ(Surface(-5, -7).Width(), 4);
}

TEST(Surface, ABoxEmptyOneWayKeepsItsSizeTheOtherWay) {
  Surface box;
  box.SetWidth(304);
  EXPECT_EQ(box.ScaleWidth(), 300);
  box.SetHeight(304);
  EXPECT_EQ(box.ScaleWidth(), 300);
  EXPECT_EQ(box.ScaleHeight(), 300);
  EXPECT_TRUE(test::AllPixels(box, kFaceColour));

  box.LoadPicture(test::Pattern(300, 300));
  box.SetHeight(4);  // cut everything off
  EXPECT_EQ(box.ScaleWidth(), 300);
  box.SetHeight(304);
  EXPECT_TRUE(test::AllPixels(box, kFaceColour));
}

TEST(Surface, LoadPictureSizesTheBoxToThePicture) {
  Surface box(300, 300);
  box.LoadPicture(test::Pattern(640, 480));
  EXPECT_EQ(box.ScaleWidth(), 640);
  EXPECT_EQ(box.ScaleHeight(), 480);
  EXPECT_EQ(box.Pixel(639, 479), test::PatternPixel(639, 479));
}

TEST(Surface, SettingTheSizeKeepsTheContentFromTheTopLeft) {
  // A 640 x 480 picture in the own-picture box, set back to 304 x 304.
  Surface box(300, 300);
  box.LoadPicture(test::Pattern(640, 480));
  box.SetWidth(304);
  box.SetHeight(304);
  ASSERT_EQ(box.ScaleWidth(), 300);
  ASSERT_EQ(box.ScaleHeight(), 300);
  EXPECT_TRUE(box.Image() == test::Pattern(640, 480).Copy(0, 0, 300, 300));

  // Growing one way at a time: what was there stays, the new area is face colour.
  box.SetWidth(354);
  box.SetHeight(324);
  ASSERT_EQ(box.ScaleWidth(), 350);
  ASSERT_EQ(box.ScaleHeight(), 320);
  for (int y = 0; y < 320; ++y)
    for (int x = 0; x < 350; ++x) {
      const std::uint32_t want = x < 300 && y < 300 ? test::PatternPixel(x, y) : kFaceColour;
      ASSERT_EQ(test::RawPixel(box, x, y), want) << x << "," << y;
    }

  box.Cls();
  EXPECT_TRUE(test::AllPixels(box, kFaceColour));
}

}  // namespace
}  // namespace mirel
