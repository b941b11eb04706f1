// Every picture format the game loads, from files their own encoders make:
// fitted with the right colours, turned upright, and refused safely when cut
// short, damaged or claiming a huge size. Then the picture faults found by
// fuzzing and by hand, one line each on what they guard.

#include <gtest/gtest.h>

#include <QImageWriter>

#include <functional>
#include <string>

#include "picture/ModuleLoader.h"
#include "picture/PictureFile.h"
#include "platform/Surface.h"
#include "tests/common/TempFolder.h"
#include "tests/picture/PictureKit.h"

namespace mirel {
namespace {

const QSize kBox(300, 300);

struct Sample {
  const char* name;  // the format the loader must report
  std::function<QByteArray(const QImage&)> encode;
  int tolerance;  // per channel, for a lossy coding
};

class FormatsTest : public ::testing::Test {
 protected:
  FormatsTest() { picture::SetModulePath(MIREL_MODULE); }

  FittedPicture Load(const QByteArray& bytes, const std::string& name = "picture") {
    return LoadFittedPicture(pics::WriteFile(folder.Path() / name, bytes), kBox);
  }
  QByteArray Tool(const QImage& image, const QString& program, const QStringList& args, const char* ext) {
    return pics::EncodeWithTool(folder.Path(), pics::Encode(image, "png"), "png", program, args, ext);
  }

  std::vector<Sample> Samples() {
    return {
        {"bmp", [](const QImage& i) { return pics::Encode(i, "bmp"); }, 0},
        {"png", [](const QImage& i) { return pics::Encode(i, "png"); }, 0},
        {"jpeg", [](const QImage& i) { return pics::Encode(i, "jpeg", 90); }, 12},
        {"jpeg", [](const QImage& i) { return pics::Encode(i, "jpeg", 90, true); }, 12},
        {"webp",
         [this](const QImage& i) {
           return Tool(i, "cwebp", {"-quiet", "-q", "90", "IN", "-o", "OUT"}, "webp");
         },
         12},
        {"webp",
         [this](const QImage& i) {
           return Tool(i, "cwebp", {"-quiet", "-lossless", "IN", "-o", "OUT"}, "webp");
         },
         0},
        {"heic",
         [this](const QImage& i) {
           return Tool(i, "heif-enc", {"-q", "90", "IN", "-o", "OUT"}, "heic");
         },
         16},
        // Debian 12's AV1 encoder asserts on 4:2:0 and 4:4:4 through heif-enc; 4:2:2 works.
        {"avif",
         [this](const QImage& i) {
           return Tool(i, "heif-enc", {"-A", "-p", "chroma=422", "-q", "90", "IN", "-o", "OUT"}, "avif");
         },
         16},
        {"tiff", [](const QImage& i) { return pics::Encode(i, "tiff"); }, 0},
    };
  }

  TempFolder folder;
};

// Centre of each of the nine blocks of pics::Blocks, squeezed from 640 x 480.
void ExpectBlocks(const QImage& got, int tolerance) {
  for (int row = 0; row < 3; ++row)
    for (int col = 0; col < 3; ++col) {
      const QRgb want = pics::kBlockColours[std::size_t(row * 3 + col)];
      const QRgb have = got.pixel(50 + 100 * col, 50 + 100 * row);
      EXPECT_NEAR(qRed(have), qRed(want), tolerance) << row << "," << col;
      EXPECT_NEAR(qGreen(have), qGreen(want), tolerance) << row << "," << col;
      EXPECT_NEAR(qBlue(have), qBlue(want), tolerance) << row << "," << col;
    }
}

TEST_F(FormatsTest, EveryFormatFitsWithItsColours) {
  const QImage blocks = pics::Blocks(480).scaled(640, 480);
  for (const Sample& s : Samples()) {
    SCOPED_TRACE(s.name);
    const FittedPicture got = Load(s.encode(blocks));
    ASSERT_EQ(got.fault, PictureFault::None);
    EXPECT_EQ(got.format, s.name);
    EXPECT_EQ(got.sourceSize, QSize(640, 480));
    ASSERT_EQ(got.picture.size(), kBox);
    ExpectBlocks(got.picture, s.tolerance);
  }
}

// Grey, palette, 16-bit, CMYK and half-transparent pictures look as a player expects.
TEST_F(FormatsTest, EveryKindOfPixelComesOutRight) {
  QImage half(40, 20, QImage::Format_ARGB32);
  half.fill(qRgba(255, 0, 0, 128));  // red at half over the face colour
  const QRgb halfOverFace =
      qRgb((255 + qRed(kFaceColour) + 1) / 2, (qGreen(kFaceColour) + 1) / 2, (qBlue(kFaceColour) + 1) / 2);
  QImage grey(40, 20, QImage::Format_Grayscale8);
  grey.fill(100);
  QImage deep(40, 20, QImage::Format_RGBA64);
  deep.fill(QColor(0, 200, 50));
  const QImage palette = pics::Blocks(30).convertToFormat(QImage::Format_Indexed8);
  struct Case {
    const char* label;
    QByteArray bytes;
    QRgb want;
    int tolerance;
  };
  const QByteArray cmyk =
      pics::EncodeWithTool(folder.Path(), pics::Encode(half.convertToFormat(QImage::Format_RGB32), "png"),
                           "png", "convert", {"IN", "-colorspace", "CMYK", "OUT"}, "jpg");
  for (const Case& c : {
           Case{"png alpha", pics::Encode(half, "png"), halfOverFace, 1},
           Case{"tiff alpha", pics::Encode(half, "tiff"), halfOverFace, 1},
           Case{"webp alpha", Tool(half, "cwebp", {"-quiet", "-lossless", "IN", "-o", "OUT"}, "webp"),
                halfOverFace, 1},
           Case{"heic alpha", Tool(half, "heif-enc", {"-q", "95", "IN", "-o", "OUT"}, "heic"), halfOverFace,
                12},
           Case{"png grey", pics::Encode(grey, "png"), qRgb(100, 100, 100), 0},
           Case{"tiff grey", pics::Encode(grey, "tiff"), qRgb(100, 100, 100), 0},
           Case{"jpeg grey", pics::Encode(grey, "jpeg", 95), qRgb(100, 100, 100), 2},
           Case{"png 16-bit", pics::Encode(deep, "png"), qRgb(0, 200, 50), 0},
           Case{"tiff 16-bit", pics::Encode(deep, "tiff"), qRgb(0, 200, 50), 0},
           Case{"png palette", pics::Encode(palette, "png"), pics::kBlockColours[0], 0},
           Case{"bmp palette", pics::Encode(palette, "bmp"), pics::kBlockColours[0], 0},
           Case{"jpeg cmyk", cmyk, qRgb(255, 0, 0), 40},
       }) {
    SCOPED_TRACE(c.label);
    const FittedPicture got = Load(c.bytes);
    ASSERT_EQ(got.fault, PictureFault::None);
    const QRgb have = got.picture.pixel(2, 2);
    EXPECT_NEAR(qRed(have), qRed(c.want), c.tolerance);
    EXPECT_NEAR(qGreen(have), qGreen(c.want), c.tolerance);
    EXPECT_NEAR(qBlue(have), qBlue(c.want), c.tolerance);
  }
}

// A phone held upright stores its photo sideways and says so in EXIF (JPEG,
// PNG, WebP) or in the TIFF orientation tag; every format turns it upright.
TEST_F(FormatsTest, RotatedPicturesComeOutUpright) {
  // Stored 640 x 200: red on the left quarter, blue on the right quarter.
  QImage stored(640, 200, QImage::Format_RGB32);
  stored.fill(Qt::white);
  for (int y = 0; y < 200; ++y)
    for (int x = 0; x < 160; ++x) {
      stored.setPixel(x, y, 0xFFFF0000u);
      stored.setPixel(639 - x, y, 0xFF0000FFu);
    }
  struct Case {
    int orientation;
    QImageIOHandler::Transformation tiff;  // what the TIFF writer stores as that tag
    QSize upright;
    QPoint red, blue;  // where the two colours end up, upright and fitted
  };
  for (const Case& c : {Case{1, QImageIOHandler::TransformationNone, {640, 200}, {10, 100}, {290, 100}},
                        Case{3, QImageIOHandler::TransformationRotate180, {640, 200}, {290, 100}, {10, 100}},
                        Case{6, QImageIOHandler::TransformationRotate90, {200, 640}, {100, 10}, {100, 290}},
                        Case{8, QImageIOHandler::TransformationRotate270, {200, 640}, {100, 290}, {100, 10}}}) {
    const QByteArray jpeg = pics::WithOrientation(pics::Encode(stored, "jpeg", 95), c.orientation);
    QByteArray tiff;
    QBuffer buffer(&tiff);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "tiff");
    writer.setTransformation(c.tiff);
    ASSERT_TRUE(writer.write(stored));
    for (const auto& [label, bytes] : {
             std::pair{"jpeg", jpeg},
             std::pair{"png", pics::PngWithOrientation(pics::Encode(stored, "png"), c.orientation)},
             std::pair{"webp",
                       pics::EncodeWithTool(folder.Path(), jpeg, "jpg", "cwebp",
                                            {"-quiet", "-metadata", "exif", "IN", "-o", "OUT"}, "webp")},
             std::pair{"tiff", tiff},
         }) {
      SCOPED_TRACE(testing::Message() << label << " orientation " << c.orientation);
      const FittedPicture got = Load(bytes);
      ASSERT_EQ(got.fault, PictureFault::None);
      EXPECT_EQ(got.sourceSize, c.upright);
      ASSERT_EQ(got.picture.size(), c.upright.boundedTo(kBox));
      EXPECT_GT(qRed(got.picture.pixel(c.red)), 200);
      EXPECT_LT(qBlue(got.picture.pixel(c.red)), 60);
      EXPECT_GT(qBlue(got.picture.pixel(c.blue)), 200);
      EXPECT_LT(qRed(got.picture.pixel(c.blue)), 60);
    }
  }
}

// Cut short, overwritten in the middle, or claiming 65535 x 65535: refused,
// never decoded at the claimed size.
TEST_F(FormatsTest, BadFilesInEveryFormatAreRefusedWithinBoundedMemory) {
  const QImage photo = pics::PhotoLike(400, 300);
  double largestGrowth = 0;
  for (const Sample& s : Samples()) {
    SCOPED_TRACE(s.name);
    const QByteArray good = s.encode(photo);
    for (double keep : {0.9, 0.5}) {
      largestGrowth =
          std::max(largestGrowth, pics::PeakGrowthMb([&] {
                     EXPECT_EQ(Load(good.left(int(double(good.size()) * keep))).fault, PictureFault::Damaged) << keep;
                   }));
    }
  }
  const QByteArray webpHuge = [&] {
    // An extended header whose canvas claims 65535 x 65535 around a small frame.
    QByteArray small = Tool(photo, "cwebp", {"-quiet", "-q", "50", "IN", "-o", "OUT"}, "webp");
    QByteArray vp8x("VP8X\x0A\0\0\0\0\0\0\0\xFE\xFF\0\xFE\xFF\0", 18);
    QByteArray out = small.left(12) + vp8x + small.mid(12);
    const std::uint32_t riff = std::uint32_t(out.size() - 8);
    for (int i = 0; i < 4; ++i) out[4 + i] = char(riff >> (8 * i));
    return out;
  }();
  QByteArray heicHuge = Tool(photo, "heif-enc", {"-q", "50", "IN", "-o", "OUT"}, "heic");
  const int ispe = int(heicHuge.indexOf("ispe"));
  ASSERT_GT(ispe, 0);
  pics::PutU32be(heicHuge, ispe + 8, 65535);
  pics::PutU32be(heicHuge, ispe + 12, 65535);
  QByteArray bmpHuge = pics::Encode(QImage(4, 4, QImage::Format_RGB32), "bmp");
  bmpHuge[18] = bmpHuge[19] = bmpHuge[22] = bmpHuge[23] = char(0xFF);
  const std::vector<std::uint8_t> dot{0};
  for (const auto& forged : {
           std::pair{"bmp", bmpHuge},
           std::pair{"png", pics::ForgePngSize(pics::Encode(photo, "png"), 65535, 65535)},
           std::pair{"jpeg", pics::ForgeJpegFrame(pics::Encode(photo, "jpeg", 90), 65535, 65535)},
           std::pair{"gif", pics::BuildGif(1, 1, {}, {{dot}}, 65535, 65535)},
           std::pair{"webp", webpHuge},
           std::pair{"heic", heicHuge},
           std::pair{"tiff", pics::ForgedTiff(65535, 65535)},
       }) {
    SCOPED_TRACE(forged.first);
    largestGrowth =
        std::max(largestGrowth, pics::PeakGrowthMb([&] {
                   const FittedPicture got = Load(forged.second);
                   EXPECT_TRUE(got.fault == PictureFault::TooLarge || got.fault == PictureFault::Damaged)
                       << int(got.fault);
                   EXPECT_TRUE(got.picture.isNull());
                 }));
  }
  EXPECT_LT(largestGrowth, 64.0);
}

// Issue-found faults, one line each.
TEST_F(FormatsTest, PictureFaultsFoundBeforeStayFixed) {
  // RLE8 data that ends before its last row: Qt left pixels unset and the squeeze read past the palette.
  const QByteArray rle8 = QByteArray::fromBase64(
      "Qk1KLQAAAAAAAD4AAAAoAAAABAIAAAIAAAABAAgAAQAAAAwAAAATCwAAEwsAAAIAAAAAAAAA////AAAAyAAEAQAAAAQAAQABAAE=");
  EXPECT_EQ(Load(rle8).fault, PictureFault::Damaged);

  // A JPEG cut anywhere and closed with an end marker decoded as flat grey below the cut.
  for (bool progressive : {false, true}) {
    const QByteArray jpeg = pics::Encode(pics::PhotoLike(640, 480), "jpeg", 90, progressive);
    for (double keep : {0.2, 0.5, 0.8, 0.97}) {
      SCOPED_TRACE(testing::Message() << (progressive ? "progressive " : "baseline ") << keep);
      EXPECT_EQ(Load(jpeg.left(int(double(jpeg.size()) * keep)) + "\xFF\xD9").fault, PictureFault::Damaged);
    }
  }

  // A top-down BMP (negative height), as screenshot tools write, was refused.
  const QImage blocks = pics::Blocks(480).scaled(640, 480);
  QByteArray bottomUp = pics::Encode(blocks, "bmp");
  QByteArray topDown = bottomUp.left(54);
  const int stride = 640 * 3;
  for (int y = 479; y >= 0; --y) topDown += bottomUp.mid(54 + y * stride, stride);
  topDown[22] = char(0x20), topDown[23] = char(0xFE), topDown[24] = char(0xFF),
  topDown[25] = char(0xFF);  // -480
  const FittedPicture top = Load(topDown);
  ASSERT_EQ(top.fault, PictureFault::None);
  EXPECT_EQ(top.picture, Load(bottomUp).picture);

  // A 16-bit 8000 x 8000 PNG of a few hundred kilobytes took 1 GB; now it decodes in rows.
  // Interlaced, it took 256 MB; now only its first passes are read, into a grid.
  for (bool interlaced : {false, true}) {
    const QByteArray bomb = pics::Png16OneColour(8000, 8000, qRgb(10, 20, 30), interlaced);
    FittedPicture fitted;
    EXPECT_LT(pics::PeakGrowthMb([&] { fitted = Load(bomb); }), 64.0) << interlaced;
    ASSERT_EQ(fitted.fault, PictureFault::None);
    EXPECT_EQ(fitted.picture.pixel(150, 150), qRgb(10, 20, 30));
  }

  // 2,000 zTXt chunks, each inflating to 4 MB, took 45 s and 4 GB; now text is skipped, EXIF kept.
  const QByteArray withExif =
      pics::PngWithOrientation(pics::Encode(pics::Blocks(480).scaled(640, 200), "png"), 6);
  const QByteArray text = QByteArray("comment\0\0", 9) + qCompress(QByteArray(4 << 20, ' '), 9).mid(4);
  const QByteArray chatty = withExif.left(33) + pics::PngChunk("zTXt", text).repeated(100) + withExif.mid(33);
  FittedPicture talked;
  EXPECT_LT(pics::PeakGrowthMb([&] { talked = Load(chatty); }), 64.0);
  ASSERT_EQ(talked.fault, PictureFault::None);
  EXPECT_EQ(talked.picture.size(), QSize(200, 300));
  EXPECT_EQ(talked.picture, Load(withExif).picture);

  // A grid whose own canvas claims 24950 x 26995 behind a small size record took 670 MB in the library.
  QByteArray grid = Tool(pics::PhotoLike(64, 48), "heif-enc", {"-q", "50", "IN", "-o", "OUT"}, "heic");
  const int idat = int(grid.indexOf("idat"));
  ASSERT_GT(idat, 0);
  grid.replace(idat + 8, 4, QByteArray("\x61\x76\x69\x73", 4));
  EXPECT_LT(pics::PeakGrowthMb([&] { EXPECT_EQ(Load(grid).fault, PictureFault::TooLarge); }), 64.0);

  // A HEVC or AV1 frame larger than its size record was decoded at the frame's size, past the memory budget.
  for (const auto& [ext, args] :
       {std::pair{"heic", QStringList{"-q", "50", "IN", "-o", "OUT"}},
        std::pair{"avif", QStringList{"-A", "-p", "chroma=422", "-q", "50", "IN", "-o", "OUT"}}}) {
    QByteArray file = Tool(pics::PhotoLike(200, 150), "heif-enc", args, ext);
    EXPECT_EQ(Load(file).fault, PictureFault::None) << ext;
    for (int at = int(file.indexOf("ispe")); at > 0; at = int(file.indexOf("ispe", at + 1)))
      pics::PutU32be(file, at + 8, 40), pics::PutU32be(file, at + 12, 30);
    EXPECT_EQ(Load(file).fault, PictureFault::Damaged) << ext;
  }

  // A 1 x 60,000,000 PNG was called damaged, not too large.
  EXPECT_EQ(
      Load(pics::ForgePngSize(pics::Encode(QImage(1, 1, QImage::Format_RGB32), "png"), 1, 60'000'000)).fault,
      PictureFault::TooLarge);
}

// A progressive JPEG reduced to an eighth is read by the program itself, from
// its DC values: grey, 4:4:4, RGB and restart intervals give, pixel for pixel,
// what the system's decoder gives for the baseline twin (jpegtran keeps every
// coefficient).
TEST_F(FormatsTest, ProgressiveJpegAtAnEighthIsItsBaselineTwin) {
  const QByteArray ppm = pics::Encode(pics::PhotoLike(800, 640), "ppm");
  const QSize box(50, 40);  // an eighth of the picture is twice the box
  for (const QStringList& kind : {QStringList{"-grayscale"}, QStringList{"-sample", "1x1"},
                                  QStringList{"-rgb"}, QStringList{"-restart", "1", "-sample", "2x1"}}) {
    SCOPED_TRACE(kind.join(' ').toStdString());
    const QByteArray progressive = pics::EncodeWithTool(
        folder.Path(), ppm, "ppm", "cjpeg",
        QStringList{"-progressive"} + kind + QStringList{"-outfile", "OUT", "IN"}, "jpg");
    const QByteArray baseline =
        pics::EncodeWithTool(folder.Path(), progressive, "jpg", "jpegtran", {"-outfile", "OUT", "IN"}, "jpg");
    const FittedPicture ours = LoadFittedPicture(pics::WriteFile(folder.Path() / "p.jpg", progressive), box);
    ASSERT_EQ(ours.fault, PictureFault::None);
    EXPECT_EQ(ours.picture,
              LoadFittedPicture(pics::WriteFile(folder.Path() / "b.jpg", baseline), box).picture);
  }
}

}  // namespace
}  // namespace mirel
