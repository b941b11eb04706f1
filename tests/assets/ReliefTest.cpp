// The four built-in puzzle pictures: two-colour layout, and enough carving to
// make a puzzle of.

#include <gtest/gtest.h>

#include <set>

#include <QImage>

#include "assets/Assets.h"
#include "tests/assets/AssetFiles.h"

namespace mirel::test {
namespace {

constexpr int kSize = 300;
constexpr std::size_t kStride = 40;  // 300 bits padded to four bytes
constexpr std::size_t kPixels = 62;  // headers and the two palette entries

std::filesystem::path ReliefPath(int n) {
  return SourceAssets() / "pictures" / ("Relief" + std::to_string(n) + ".bmp");
}

bool Black(const Bytes& b, int x, int y) {
  const std::size_t row = kPixels + static_cast<std::size_t>(kSize - 1 - y) * kStride;  // bottom-up
  return (b[row + static_cast<std::size_t>(x) / 8] >> (7 - x % 8)) & 1;
}

class Relief : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override { bytes_ = ReadFile(ReliefPath(GetParam())); }
  Bytes bytes_;
};

TEST_P(Relief, IsUncompressedOneBitBottomUpWhiteThenBlack) {
  const Bytes& b = bytes_;
  ASSERT_EQ(b.size(), kPixels + kStride * kSize);
  EXPECT_EQ(Tag(b, 0).substr(0, 2), "BM");
  EXPECT_EQ(U32(b, 2), b.size());
  EXPECT_EQ(U32(b, 10), kPixels);
  EXPECT_EQ(U32(b, 14), 40u);
  EXPECT_EQ(S32(b, 18), kSize);
  EXPECT_EQ(S32(b, 22), kSize);
  EXPECT_EQ(U16(b, 28), 1u);
  EXPECT_EQ(U32(b, 30), 0u);
  EXPECT_EQ(U32(b, 54), 0x00FFFFFFu) << "entry 0 white";
  EXPECT_EQ(U32(b, 58), 0x00000000u) << "entry 1 black";

  // Qt reads it the way the game will: two colours, white first.
  QImage image;
  const assets::Bytes built = assets::Relief(GetParam());
  ASSERT_TRUE(image.loadFromData(built.data(), int(built.size())));
  EXPECT_EQ(image.size(), QSize(kSize, kSize));
  ASSERT_EQ(image.colorCount(), 2);
  EXPECT_EQ(image.color(0) & 0xFFFFFF, 0xFFFFFFu);
  EXPECT_EQ(image.color(1) & 0xFFFFFF, 0x000000u);
  EXPECT_EQ(image.pixel(10, 290) == qRgb(0, 0, 0), Black(b, 10, 290));
}

// Enough black to read on the stele, not so much that it turns to a dark mess;
// detail everywhere, so every tile of a 6 x 6 board shows something to place by.
TEST_P(Relief, HasModerateBlackAndDetailInEveryTile) {
  ASSERT_EQ(bytes_.size(), kPixels + kStride * kSize);
  int black = 0;
  int transitions = 0;
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) {
      black += Black(bytes_, x, y);
      if (x > 0 && Black(bytes_, x, y) != Black(bytes_, x - 1, y)) ++transitions;
    }
  }
  const double share = static_cast<double>(black) / (kSize * kSize);
  EXPECT_GT(share, 0.10);
  EXPECT_LT(share, 0.45);
  EXPECT_GT(transitions, 10000) << "too flat for a carving";

  for (int ty = 0; ty < 6; ++ty) {
    for (int tx = 0; tx < 6; ++tx) {
      int tileBlack = 0;
      for (int y = ty * 50; y < ty * 50 + 50; ++y) {
        for (int x = tx * 50; x < tx * 50 + 50; ++x) tileBlack += Black(bytes_, x, y);
      }
      EXPECT_GT(tileBlack, 50) << "tile " << tx << "," << ty << " is blank";
      EXPECT_LT(tileBlack, 2500 * 3 / 4) << "tile " << tx << "," << ty << " is nearly solid";
    }
  }
}

INSTANTIATE_TEST_SUITE_P(BuiltIn, Relief, ::testing::Range(1, 5));

TEST(Reliefs, AreFourDifferentPictures) {
  std::set<Bytes> distinct;
  for (int n = 1; n <= 4; ++n) distinct.insert(ReadFile(ReliefPath(n)));
  EXPECT_EQ(distinct.size(), 4u);
}

}  // namespace
}  // namespace mirel::test
