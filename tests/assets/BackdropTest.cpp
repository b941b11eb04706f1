// The title backdrop: its file's layout and the shape of the stele, row by row.

#include <gtest/gtest.h>

#include <QImage>

#include "assets/Assets.h"
#include "tests/assets/AssetFiles.h"

namespace mirel::test {
namespace {

constexpr QRgb kGrey = qRgb(127, 127, 127);
constexpr QRgb kCrimson = qRgb(136, 0, 21);
constexpr QRgb kBlack = qRgb(0, 0, 0);

struct Span {
  int left = -1;
  int right = -1;
};

class Backdrop : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(image_.load(QString::fromStdString((SourceAssets() / "pictures/Backdrop.bmp").string())));
    ASSERT_EQ(image_.size(), QSize(400, 400));
  }
  // The grey run of a row; fails the test if the row's grey is not one run.
  Span GreySpan(int y) const {
    Span s;
    for (int x = 0; x < image_.width(); ++x) {
      if (image_.pixel(x, y) != kGrey) continue;
      if (s.left < 0) s.left = x;
      EXPECT_TRUE(s.right < 0 || s.right == x - 1) << "grey broken in row " << y;
      s.right = x;
    }
    return s;
  }
  QImage image_;
};

// Three colours in long runs: run-length coded, it is a few kilobytes of the
// program instead of 480.
TEST(BackdropFile, IsRunLengthCodedBottomUpWithThreeColours) {
  const Bytes b = ReadFile(SourceAssets() / "pictures/Backdrop.bmp");
  ASSERT_GE(b.size(), 66u);
  EXPECT_EQ(b[0], 'B');
  EXPECT_EQ(b[1], 'M');
  EXPECT_EQ(U32(b, 2), b.size());
  EXPECT_EQ(U32(b, 10), 54u + 3u * 4u);  // the palette's three entries
  EXPECT_EQ(U32(b, 14), 40u);            // BITMAPINFOHEADER
  EXPECT_EQ(S32(b, 18), 400);
  EXPECT_EQ(S32(b, 22), 400);  // positive: bottom-up
  EXPECT_EQ(U16(b, 28), 8u);
  EXPECT_EQ(U32(b, 30), 1u);  // BI_RLE8
  EXPECT_EQ(U32(b, 34), b.size() - 66u);
  EXPECT_EQ(U32(b, 46), 3u);
  EXPECT_LT(b.size(), 8000u);
}

TEST_F(Backdrop, GreySpansAtTheFixedRows) {
  const struct {
    int y, left, right;
  } kRows[] = {{0, 82, 317}, {40, 64, 335}, {100, 49, 350}, {200, 37, 362}, {300, 28, 371}, {399, 23, 376}};
  for (const auto& row : kRows) {
    const Span s = GreySpan(row.y);
    EXPECT_EQ(s.left, row.left) << "row " << row.y;
    EXPECT_EQ(s.right, row.right) << "row " << row.y;
  }
}

// Every row: crimson, one black pixel, grey, one black pixel, crimson; the stele
// symmetric and widening smoothly downward, so the outline never breaks.
TEST_F(Backdrop, EveryRowIsOutlinedSymmetricAndWidensSmoothly) {
  int previousLeft = 400;
  for (int y = 0; y < 400; ++y) {
    const Span s = GreySpan(y);
    ASSERT_GE(s.left, 1) << "row " << y;
    EXPECT_EQ(s.left + s.right, 399) << "row " << y;
    EXPECT_LE(s.left, previousLeft) << "row " << y;
    if (y > 0) {
      EXPECT_LE(previousLeft - s.left, 1) << "edge jumps at row " << y;
    }
    previousLeft = s.left;
    for (int x = 0; x < 400; ++x) {
      const QRgb want = (x >= s.left && x <= s.right)           ? kGrey
                        : (x == s.left - 1 || x == s.right + 1) ? kBlack
                                                                : kCrimson;
      ASSERT_EQ(image_.pixel(x, y), want) << "at " << x << "," << y;
    }
  }
}

TEST_F(Backdrop, BoardAreaLiesOnTheStele) {
  for (int y = 100; y < 400; ++y) {
    const Span s = GreySpan(y);
    EXPECT_LE(s.left, 50);
    EXPECT_GE(s.right, 349);
  }
}

}  // namespace
}  // namespace mirel::test
