// The own-picture loader on its own: fitting, JPEG decoded at a reduced size,
// GIF frames and transparency, and every kind of file it refuses.

#include <gtest/gtest.h>

#include <QImageReader>
#include <QRandomGenerator>
#include <QTransform>

#include <unistd.h>
#include <filesystem>
#include <string>

#include "picture/PictureFile.h"
#include "platform/Surface.h"
#include "tests/common/TempFolder.h"
#include "tests/picture/PictureKit.h"

namespace mirel {
namespace {

const QSize kBox(300, 300);

class LoaderTest : public ::testing::Test {
 protected:
  QString Put(const std::string& name, const QByteArray& bytes) {
    return pics::WriteFile(folder.Path() / name, bytes);
  }
  FittedPicture Load(const std::string& name, const QByteArray& bytes) {
    return LoadFittedPicture(Put(name, bytes), kBox);
  }

  TempFolder folder;
};

// What the game wants: the whole picture, decoded in full, squeezed smoothly.
QImage SqueezedReference(const QByteArray& bytes) {
  QBuffer buffer;
  buffer.setData(bytes);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer);
  reader.setAutoTransform(true);
  const QImage full = reader.read();
  return full.scaled(full.size().boundedTo(kBox), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
      .convertToFormat(QImage::Format_RGB32);
}

TEST_F(LoaderTest, EachLongSideIsSqueezedAndEachShortSideKept) {
  struct Case {
    QSize source, fitted;
  };
  for (const Case& c : {Case{{640, 480}, {300, 300}}, Case{{100, 80}, {100, 80}},
                        Case{{640, 200}, {300, 200}}, Case{{200, 640}, {200, 300}},
                        Case{{300, 300}, {300, 300}}, Case{{1, 1}, {1, 1}}, Case{{5000, 2}, {300, 2}}}) {
    SCOPED_TRACE(testing::Message() << c.source.width() << "x" << c.source.height());
    const QByteArray png = pics::Encode(pics::PhotoLike(c.source.width(), c.source.height()), "png");
    const FittedPicture got = Load("p.png", png);
    ASSERT_EQ(got.fault, PictureFault::None);
    EXPECT_EQ(got.picture.size(), c.fitted);
    EXPECT_EQ(got.picture.format(), QImage::Format_RGB32);
    EXPECT_EQ(got.sourceSize, c.source);
    const QImage source = pics::PhotoLike(c.source.width(), c.source.height());
    EXPECT_EQ(got.picture, pics::AreaAveraged(source, c.fitted.width(), c.fitted.height()));
  }
}

// One-pixel stripes average to grey; picking pixels would give black or white.
TEST_F(LoaderTest, SqueezeAveragesInsteadOfPickingPixels) {
  const int side = 600;
  QImage stripes(side, side, QImage::Format_RGB32);
  for (int x = 0; x < side; ++x)
    for (int y = 0; y < side; ++y) stripes.setPixel(x, y, (x % 2) ? 0xFFFFFFFFu : 0xFF000000u);
  std::vector<std::uint8_t> indices(std::size_t(side) * side);
  for (std::size_t i = 0; i < indices.size(); ++i) indices[i] = std::uint8_t(i % 2);
  const QByteArray gif = pics::BuildGif(side, side, {0xFF000000u, 0xFFFFFFFFu, 0, 0}, {{indices}});

  for (const auto& [name, bytes] :
       {std::pair{"s.bmp", pics::Encode(stripes, "bmp")}, std::pair{"s.png", pics::Encode(stripes, "png")},
        std::pair{"s.gif", gif}, std::pair{"s.jpg", pics::Encode(stripes, "jpeg", 100)}}) {
    SCOPED_TRACE(name);
    const FittedPicture got = Load(name, bytes);
    ASSERT_EQ(got.fault, PictureFault::None);
    ASSERT_EQ(got.picture.size(), kBox);
    int darkest = 255, lightest = 0;
    for (int y = 0; y < 300; ++y)
      for (int x = 0; x < 300; ++x) {
        darkest = std::min(darkest, qGreen(got.picture.pixel(x, y)));
        lightest = std::max(lightest, qGreen(got.picture.pixel(x, y)));
      }
    EXPECT_GE(darkest, 100);
    EXPECT_LE(lightest, 155);
  }
}

// Big photos are decoded at a fraction of their size in the DCT; the player
// must not be able to tell. Sizes for each of 1/4, 1/2 and full decoding.
TEST_F(LoaderTest, ReducedJpegDecodeLooksLikeTheFullDecodeSqueezed) {
  for (QSize size : {QSize(4000, 3000), QSize(2500, 1900), QSize(1300, 1300), QSize(640, 480)}) {
    SCOPED_TRACE(testing::Message() << size.width() << "x" << size.height());
    const QByteArray jpeg = pics::Encode(pics::PhotoLike(size.width(), size.height()), "jpeg", 90);
    const FittedPicture got = Load("big.jpg", jpeg);
    ASSERT_EQ(got.fault, PictureFault::None);
    const pics::Difference d = pics::Compare(got.picture, SqueezedReference(jpeg));
    EXPECT_LE(d.largest, 24);
    EXPECT_LE(d.mean, 1.0);
  }
}

// A progressive file holds the same coefficients as its baseline twin, and
// read whole gives the same picture. At an eighth it is read from its DC
// values alone, which must look like the full decode squeezed; only they must
// be there.
TEST_F(LoaderTest, ProgressiveJpegLoadsAsItsBaselineTwin) {
  for (QSize size : {QSize(1200, 900), QSize(4800, 4800)}) {
    SCOPED_TRACE(size.width());
    const QImage photo = pics::PhotoLike(size.width() / 4, size.height() / 4).scaled(size);
    const QByteArray progressive = pics::Encode(photo, "jpeg", 90, true);
    const FittedPicture got = Load("p.jpg", progressive);
    ASSERT_EQ(got.fault, PictureFault::None);
    if (size.width() < 4800) {
      EXPECT_EQ(got.picture, Load("b.jpg", pics::Encode(photo, "jpeg", 90)).picture);
      continue;
    }
    const pics::Difference d = pics::Compare(got.picture, SqueezedReference(progressive));
    EXPECT_LE(d.largest, 24);
    EXPECT_LE(d.mean, 1.0);
    // Of the writer's ten scans, the seventh completes the DC values.
    auto firstScans = [&](int count) {
      int at = 0;
      for (int n = 0; n <= count; ++n) at = int(progressive.indexOf("\xFF\xDA", at + 1));
      return progressive.left(at) + "\xFF\xD9";
    };
    EXPECT_EQ(Load("dc.jpg", firstScans(6)).fault, PictureFault::Damaged);
    EXPECT_EQ(Load("dc.jpg", firstScans(7)).picture, got.picture);
  }
}

// A big interlaced PNG is read from its first passes only: every 8th, 4th or
// 2nd pixel a side, as long as that still gives four a side for each fitted
// pixel. Its squeeze differs from the whole picture's only by that sampling;
// smaller pictures are read whole. EXIF orientation still applies. Smaller
// boxes stand in for bigger pictures.
TEST_F(LoaderTest, InterlacedPngLooksLikeItsPlainTwin) {
  const QImage photo = pics::PhotoLike(2400, 1300);
  const QByteArray interlaced = pics::PngRgb(photo, true);
  const QString plain = Put("p.png", pics::PngRgb(photo, false));
  const QString turned = Put("t.png", pics::PngWithOrientation(interlaced, 6));
  const QString path = Put("i.png", interlaced);
  struct Case {
    QSize box;  // grid steps 8, 4, 2, whole, then each side its own
    int largest;
    double mean;  // per channel, from sampling the fine texture and the edges
  };
  for (const Case& c : {Case{{75, 40}, 32, 2.0}, Case{{150, 80}, 32, 1.0}, Case{{300, 160}, 24, 0.5},
                        Case{{700, 300}, 0, 0.0}, Case{{75, 300}, 40, 2.0}}) {  // the last: 8 across, whole down
    SCOPED_TRACE(c.box.width());
    const FittedPicture got = LoadFittedPicture(path, c.box);
    ASSERT_EQ(got.fault, PictureFault::None);
    const pics::Difference d = pics::Compare(got.picture, LoadFittedPicture(plain, c.box).picture);
    EXPECT_LE(d.largest, c.largest);
    EXPECT_LE(d.mean, c.mean);
    EXPECT_EQ(LoadFittedPicture(turned, c.box.transposed()).picture,
              got.picture.transformed(QTransform().rotate(90)));
  }
}

TEST_F(LoaderTest, AnimatedGifShowsItsFirstFrameOverTheFaceColour) {
  // Frame 1: red left half, transparent right half. Frame 2: all blue.
  const int w = 400, h = 20;
  std::vector<std::uint8_t> first(std::size_t(w) * h), second(std::size_t(w) * h, 1);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) first[std::size_t(y * w + x)] = x < w / 2 ? 0 : 3;
  const QByteArray gif =
      pics::BuildGif(w, h, {0xFFFF0000u, 0xFF0000FFu, 0xFF00FF00u, 0xFF000000u}, {{first, 3}, {second}});
  ASSERT_EQ(QImageReader(Put("a.gif", gif)).imageCount(), 2);

  const FittedPicture got = Load("a.gif", gif);
  ASSERT_EQ(got.fault, PictureFault::None);
  EXPECT_EQ(got.format, "gif");
  ASSERT_EQ(got.picture.size(), QSize(300, 20));
  EXPECT_EQ(got.picture.pixel(10, 10), 0xFFFF0000u);
  EXPECT_EQ(got.picture.pixel(290, 10), kFaceColour);
}

TEST_F(LoaderTest, FormatComesFromTheContentNotTheName) {
  const QImage source = pics::PhotoLike(120, 90);
  const FittedPicture png = Load("photo.jpg", pics::Encode(source, "png"));
  ASSERT_EQ(png.fault, PictureFault::None);
  EXPECT_EQ(png.format, "png");
  EXPECT_EQ(png.picture, source);
  const FittedPicture bmp = Load("photo", pics::Encode(source, "bmp"));
  ASSERT_EQ(bmp.fault, PictureFault::None);
  EXPECT_EQ(bmp.format, "bmp");
}

TEST_F(LoaderTest, FilesThatAreNotThereOrNotFilesAreRefused) {
  EXPECT_EQ(LoadFittedPicture(QString::fromStdString((folder.Path() / "none.jpg").string()), kBox).fault,
            PictureFault::Missing);
  std::filesystem::create_directory(folder.Path() / "folder.jpg");
  EXPECT_EQ(LoadFittedPicture(QString::fromStdString((folder.Path() / "folder.jpg").string()), kBox).fault,
            PictureFault::Unreadable);
  EXPECT_EQ(Load("empty.jpg", {}).fault, PictureFault::Empty);
  if (geteuid() != 0) {  // root reads every file
    const QString locked = Put("locked.png", pics::Encode(pics::PhotoLike(10, 10), "png"));
    std::filesystem::permissions(locked.toStdString(), std::filesystem::perms::none);
    EXPECT_EQ(LoadFittedPicture(locked, kBox).fault, PictureFault::Unreadable);
  }
}

TEST_F(LoaderTest, PicturesCutShortAreRefused) {
  const QImage source = pics::PhotoLike(400, 300);
  std::vector<std::uint8_t> indices(400 * 300, 2);
  for (const auto& [name, bytes] :
       {std::pair{"cut.jpg", pics::Encode(source, "jpeg", 90)},
        std::pair{"cut-progressive.jpg", pics::Encode(source, "jpeg", 90, true)},
        std::pair{"cut.bmp", pics::Encode(source, "bmp")},
        std::pair{"cut-8bit.bmp", pics::Encode(source.convertToFormat(QImage::Format_Indexed8), "bmp")},
        std::pair{"cut.png", pics::Encode(source, "png")},
        std::pair{"cut.gif", pics::BuildGif(400, 300, {0, 0, 0xFF00FF00u, 0}, {{indices}})}}) {
    SCOPED_TRACE(name);
    ASSERT_EQ(Load(name, bytes).fault, PictureFault::None);
    for (double keep : {0.9, 0.5, 0.1}) {
      const FittedPicture got = Load(name, bytes.left(int(double(bytes.size()) * keep)));
      EXPECT_EQ(got.fault, PictureFault::Damaged) << keep;
      EXPECT_TRUE(got.picture.isNull());
    }
  }
}

TEST_F(LoaderTest, WhatIsNotAFormatThatLoadsIsRefused) {
  const QImage source = pics::PhotoLike(64, 48);
  EXPECT_EQ(Load("text.jpg", "これは画像ではありません。\nJust a note.\n").fault, PictureFault::NotAPicture);
  for (const char* format : {"ppm", "xpm"}) {
    SCOPED_TRACE(format);
    EXPECT_EQ(Load("other.bmp", pics::Encode(source, format)).fault, PictureFault::Unsupported);
  }

  QRandomGenerator random(7);
  for (int i = 0; i < 20; ++i) {
    QByteArray noise(random.bounded(1, 5000), 0);
    for (char& b : noise) b = char(random.bounded(256));
    const FittedPicture got = Load("noise.jpg", noise);
    EXPECT_NE(got.fault, PictureFault::None);
    EXPECT_TRUE(got.picture.isNull());
    // Behind a real picture's signature, noise is a damaged picture.
    EXPECT_EQ(Load("noise.jpg", QByteArray("\xFF\xD8\xFF\xE0", 4) + noise).fault, PictureFault::Damaged);
    EXPECT_NE(Load("noise.gif", "GIF89a" + noise).fault, PictureFault::None);
  }
}

// Headers that claim sizes no photo has, to make the decoder allocate
// gigabytes from a few bytes.
TEST_F(LoaderTest, DecompressionBombsAreRefusedBeforeDecoding) {
  const QByteArray small = pics::Encode(pics::PhotoLike(64, 64), "jpeg", 90);
  const QByteArray progressive = pics::Encode(pics::PhotoLike(64, 64), "jpeg", 90, true);
  // More pixels than any photo.
  EXPECT_EQ(Load("bomb.jpg", pics::ForgeJpegFrame(small, 60000, 60000)).fault, PictureFault::TooLarge);
  // A big progressive file is read from its DC values alone, one a block, so
  // its size is no bomb; this one's data ends long before its blocks do. Nor
  // is a 200-megapixel baseline photo.
  EXPECT_EQ(Load("bomb.jpg", pics::ForgeJpegFrame(progressive, 12000, 12000, 0x11)).fault, PictureFault::Damaged);
  EXPECT_EQ(Load("big.jpg", pics::ForgeJpegFrame(small, 16320, 12240)).fault, PictureFault::Damaged);
  // GIF screens: one too large to count, one whose canvas alone is over budget.
  const std::vector<std::uint8_t> dot{0};
  EXPECT_EQ(Load("bomb.gif", pics::BuildGif(1, 1, {}, {{dot}}, 65535, 65535)).fault, PictureFault::TooLarge);
  EXPECT_EQ(Load("bomb.gif", pics::BuildGif(1, 1, {}, {{dot}}, 9000, 9000)).fault, PictureFault::TooLarge);
  // A bitmap that claims 20000 x 20000 is too large before it is found short.
  QByteArray bmp = pics::Encode(QImage(4, 4, QImage::Format_RGB32), "bmp");
  bmp[18] = char(0x20), bmp[19] = char(0x4E), bmp[22] = char(0x20), bmp[23] = char(0x4E);
  EXPECT_EQ(Load("bomb.bmp", bmp).fault, PictureFault::TooLarge);
}

}  // namespace
}  // namespace mirel
