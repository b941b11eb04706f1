// The crossing to Qt's images: pictures in, and the window's view of a box.

#include <gtest/gtest.h>

#include "platform/QtBitmap.h"
#include "platform/Surface.h"
#include "tests/platform/Pattern.h"

namespace mirel {
namespace {

TEST(QtBitmap, MonoPicturesComeInPlainAndTheViewSharesTheKeptPixels) {
  Surface box(300, 300);
  // Two-colour pictures come in from Qt as plain white and black pixels, and
  // the window sees the kept pixels themselves.
  QImage mono(300, 300, QImage::Format_Mono);
  mono.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
  mono.fill(0);
  mono.setPixel(7, 9, 1);
  box.LoadPicture(ToBitmap(mono));
  EXPECT_EQ(box.ScaleWidth(), 300);
  EXPECT_EQ(box.Pixel(0, 0), 0xFFFFFFFFu);
  EXPECT_EQ(box.Pixel(7, 9), 0xFF000000u);
  EXPECT_EQ(test::RawPixel(box, 7, 9), 0xFF000000u);
  const QImage view = QtView(box.Image());
  EXPECT_EQ(view.constBits(), reinterpret_cast<const uchar*>(box.Image().Data()));
  EXPECT_EQ(view.pixel(7, 9), 0xFF000000u);
  EXPECT_EQ(view.pixel(299, 299), 0xFFFFFFFFu);
}

}  // namespace
}  // namespace mirel
