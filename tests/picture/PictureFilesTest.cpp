// Files of each kind through the loader's plain face, which every system
// implements its own way: the same fitted sizes and the same faults.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

#include "picture/PictureLoader.h"
#include "picture/SealedDecode.h"
#include "picture/plain/MemorySource.h"
#include "picture/plain/TiffWalk.h"
#include "tests/common/BmpFile.h"
#include "tests/common/TempFolder.h"

namespace mirel {
namespace {

using Bytes = std::vector<unsigned char>;

// 5 x 3, red (200, 40, 40).
const Bytes kPng = {
    0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A, 0x00, 0x00, 0x00, 0x0D, 0x49, 0x48, 0x44,
    0x52, 0x00, 0x00, 0x00, 0x05, 0x00, 0x00, 0x00, 0x03, 0x08, 0x02, 0x00, 0x00, 0x00, 0xD4,
    0x54, 0x52, 0xAF, 0x00, 0x00, 0x00, 0x10, 0x49, 0x44, 0x41, 0x54, 0x78, 0xDA, 0x63, 0x38,
    0xA1, 0xA1, 0x81, 0x8C, 0x18, 0x08, 0xF0, 0x01, 0x93, 0x5F, 0x10, 0x69, 0xF4, 0x6F, 0x4F,
    0xBA, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4E, 0x44, 0xAE, 0x42, 0x60, 0x82,
};
// 8 x 6, blue (60, 120, 200).
const Bytes kJpeg = {
    0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 0x4A, 0x46, 0x49, 0x46, 0x00, 0x01, 0x01, 0x00, 0x00, 0x01, 0x00,
    0x01, 0x00, 0x00, 0xFF, 0xDB, 0x00, 0x43, 0x00, 0x03, 0x02, 0x02, 0x03, 0x02, 0x02, 0x03, 0x03, 0x03,
    0x03, 0x04, 0x03, 0x03, 0x04, 0x05, 0x08, 0x05, 0x05, 0x04, 0x04, 0x05, 0x0A, 0x07, 0x07, 0x06, 0x08,
    0x0C, 0x0A, 0x0C, 0x0C, 0x0B, 0x0A, 0x0B, 0x0B, 0x0D, 0x0E, 0x12, 0x10, 0x0D, 0x0E, 0x11, 0x0E, 0x0B,
    0x0B, 0x10, 0x16, 0x10, 0x11, 0x13, 0x14, 0x15, 0x15, 0x15, 0x0C, 0x0F, 0x17, 0x18, 0x16, 0x14, 0x18,
    0x12, 0x14, 0x15, 0x14, 0xFF, 0xDB, 0x00, 0x43, 0x01, 0x03, 0x04, 0x04, 0x05, 0x04, 0x05, 0x09, 0x05,
    0x05, 0x09, 0x14, 0x0D, 0x0B, 0x0D, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14,
    0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14,
    0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14,
    0x14, 0x14, 0x14, 0x14, 0x14, 0xFF, 0xC0, 0x00, 0x11, 0x08, 0x00, 0x06, 0x00, 0x08, 0x03, 0x01, 0x22,
    0x00, 0x02, 0x11, 0x01, 0x03, 0x11, 0x01, 0xFF, 0xC4, 0x00, 0x15, 0x00, 0x01, 0x01, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x06, 0xFF, 0xC4, 0x00, 0x14,
    0x10, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0xFF, 0xC4, 0x00, 0x15, 0x01, 0x01, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x07, 0x08, 0xFF, 0xC4, 0x00, 0x14, 0x11, 0x01, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xFF, 0xDA, 0x00, 0x0C, 0x03,
    0x01, 0x00, 0x02, 0x11, 0x03, 0x11, 0x00, 0x3F, 0x00, 0x92, 0x01, 0x42, 0x87, 0x1F, 0xFF, 0xD9,
};
const Bytes kFrameMarker = {0xFF, 0xC0};
// 70,000 x 1, black: a side past the limit.
const Bytes kWidePng = {
    0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A, 0x00, 0x00, 0x00, 0x0D, 0x49, 0x48, 0x44, 0x52, 0x00,
    0x01, 0x11, 0x70, 0x00, 0x00, 0x00, 0x01, 0x08, 0x02, 0x00, 0x00, 0x00, 0x7D, 0x21, 0xEA, 0x1C, 0x00,
    0x00, 0x00, 0xE1, 0x49, 0x44, 0x41, 0x54, 0x78, 0xDA, 0xED, 0xC1, 0x01, 0x01, 0x00, 0x00, 0x00, 0x82,
    0x20, 0xFF, 0xAF, 0x6E, 0x48, 0x40, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x70, 0x69, 0x34, 0x7E, 0x00, 0x01, 0x2A, 0x07, 0x4C, 0x92, 0x00, 0x00,
    0x00, 0x00, 0x49, 0x45, 0x4E, 0x44, 0xAE, 0x42, 0x60, 0x82,
};
// 1 x 1, red.
const Bytes kGif = {0x47, 0x49, 0x46, 0x38, 0x39, 0x61, 0x01, 0x00, 0x01, 0x00, 0x80, 0x00,
                    0x00, 0xFF, 0x00, 0x00, 0x00, 0x00, 0x00, 0x2C, 0x00, 0x00, 0x00, 0x00,
                    0x01, 0x00, 0x01, 0x00, 0x00, 0x02, 0x02, 0x44, 0x01, 0x00, 0x3B};

class PictureFiles : public ::testing::Test {
 protected:
  std::string Write(const char* name, const Bytes& bytes) {
    const std::filesystem::path path = folder_.Path() / name;
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return path.string();
  }
  std::string Path(const char* name) const { return (folder_.Path() / name).string(); }

  TempFolder folder_;
};

// A channel within a JPEG's rounding of another.
bool Near(std::uint32_t a, std::uint32_t b) {
  for (int shift = 0; shift < 32; shift += 8)
    if (std::abs(int((a >> shift) & 255) - int((b >> shift) & 255)) > 6) return false;
  return true;
}

TEST_F(PictureFiles, GoodPicturesLoadFittedIntoTheBox) {
  test::WriteBmp(Path("wide.bmp"), 120, 90, 0x1EA05A);
  const LoadedPicture bmp = LoadPictureFile(Path("wide.bmp"), 60, 300);
  ASSERT_EQ(bmp.fault, PictureFault::None);
  EXPECT_EQ(bmp.picture.Width(), 60);  // squeezed on the long side only
  EXPECT_EQ(bmp.picture.Height(), 90);
  EXPECT_EQ(bmp.picture.Pixel(30, 45), 0xFF1EA05Au);

  const LoadedPicture png = LoadPictureFile(Write("a.png", kPng), 300, 300);
  ASSERT_EQ(png.fault, PictureFault::None);
  EXPECT_EQ(png.picture.Width(), 5);
  EXPECT_EQ(png.picture.Height(), 3);
  EXPECT_EQ(png.picture.Pixel(4, 2), 0xFFC82828u);

  const LoadedPicture jpeg = LoadPictureFile(Write("a.jpg", kJpeg), 4, 300);
  ASSERT_EQ(jpeg.fault, PictureFault::None);
  EXPECT_EQ(jpeg.picture.Width(), 4);
  EXPECT_EQ(jpeg.picture.Height(), 6);
  EXPECT_TRUE(Near(jpeg.picture.Pixel(1, 1), 0xFF3C78C8u)) << std::hex << jpeg.picture.Pixel(1, 1);

  const LoadedPicture gif = LoadPictureFile(Write("a.gif", kGif), 300, 300);
  ASSERT_EQ(gif.fault, PictureFault::None);
  EXPECT_EQ(gif.picture.Width(), 1);
  EXPECT_EQ(gif.picture.Pixel(0, 0), 0xFFFF0000u);

  // The name does not choose the reader; the bytes do.
  EXPECT_EQ(LoadPictureFile(Write("png.gif", kPng), 300, 300).fault, PictureFault::None);

  // What the player is told loads: at least these, which every system reads.
  const std::vector<std::string> names = PictureFormatNames();
  ASSERT_GE(names.size(), 4u);
  EXPECT_EQ(std::vector<std::string>(names.begin(), names.begin() + 4),
            (std::vector<std::string>{"BMP", "GIF", "JPEG", "PNG"}));
}

// Guards: Windows asked its decoder for the orientation, which Wine's never gave.
// The decoder made ready as the open-file dialog opens serves the next load
// of its own box only; a load of another box, or with none ready, starts one.
TEST_F(PictureFiles, ADecoderMadeReadyServesOnlyItsOwnBox) {
  test::WriteBmp(Path("wide.bmp"), 120, 90, 0x1EA05A);
  PrepareToLoadPictureFile(60, 60);
  EXPECT_EQ(LoadPictureFile(Path("wide.bmp"), 300, 300).picture.Width(), 120);
  PrepareToLoadPictureFile(60, 60);
  EXPECT_EQ(LoadPictureFile(Path("wide.bmp"), 60, 60).picture.Width(), 60);
  EXPECT_EQ(LoadPictureFile(Path("wide.bmp"), 60, 60).picture.Width(), 60);
}

TEST_F(PictureFiles, APhotoTakenUprightIsTurnedUprightOnEverySystem) {
  const Bytes exif = {0xFF, 0xE1, 0x00, 0x22, 'E', 'x', 'i', 'f', 0, 0,  // APP1, Exif
                      'I',  'I',  42,   0,    8,   0,   0,   0,   1, 0,  // one entry
                      0x12, 0x01, 3,    0,    1,   0,   0,   0,   6, 0, 0, 0, 0, 0, 0, 0};  // orientation 6
  Bytes turned(kJpeg.begin(), kJpeg.begin() + 2);
  turned.insert(turned.end(), exif.begin(), exif.end());
  turned.insert(turned.end(), kJpeg.begin() + 2, kJpeg.end());
  const LoadedPicture jpeg = LoadPictureFile(Write("turned.jpg", turned), 300, 300);
  ASSERT_EQ(jpeg.fault, PictureFault::None);
  EXPECT_EQ(jpeg.picture.Width(), 6);
  EXPECT_EQ(jpeg.picture.Height(), 8);
}

TEST_F(PictureFiles, WhatCannotBeShownComesBackAsItsFault) {
  const Bytes cutShort(kGif.begin(), kGif.begin() + 28);  // ends inside the image descriptor
  EXPECT_EQ(LoadPictureFile(Write("cut.gif", cutShort), 300, 300).fault, PictureFault::Damaged);
  const Bytes text = {'n', 'o', 't', ' ', 'a', ' ', 'p', 'i', 'c', 't', 'u', 'r', 'e', '\n'};
  EXPECT_EQ(LoadPictureFile(Write("text.png", text), 300, 300).fault, PictureFault::NotAPicture);
  EXPECT_EQ(LoadPictureFile(Write("empty.bmp", {}), 300, 300).fault, PictureFault::Empty);
  EXPECT_EQ(LoadPictureFile(Path("missing.bmp"), 300, 300).fault, PictureFault::Missing);
  EXPECT_EQ(LoadPictureFile(Write("wide.png", kWidePng), 300, 300).fault, PictureFault::TooLarge);
  // Guards: Windows handed a HEIF file to the system's decoder without our own walk of its boxes.
  const Bytes heicWithoutBoxes = {0, 0, 0, 24, 'f', 't', 'y', 'p', 'h', 'e', 'i', 'c', 0, 0,
                                  0, 0, 'm', 'i', 'f', '1', 'h', 'e', 'i', 'c'};
  EXPECT_EQ(LoadPictureFile(Write("bare.heic", heicWithoutBoxes), 300, 300).fault, PictureFault::Damaged);
}

// Our own walks of PNG chunks and JPEG segments run before any system decoder:
// they refuse what the program's decoders refuse, and nothing they accept.
TEST_F(PictureFiles, OurWalksRefuseWhatNoDecoderShouldSee) {
  Bytes noLines = kJpeg;  // a frame of 8 x 0: its height would come later, which no reader supports
  const auto frame = std::search(noLines.begin(), noLines.end(), kFrameMarker.begin(), kFrameMarker.end());
  frame[5] = frame[6] = 0;
  EXPECT_EQ(LoadPictureFile(Write("nolines.jpg", noLines), 300, 300).fault, PictureFault::Damaged);
  Bytes stray = kJpeg;  // bytes between segments, which decoders skip
  stray.insert(stray.begin() + 20, {0x00, 0x12});
  EXPECT_EQ(LoadPictureFile(Write("stray.jpg", stray), 300, 300).fault, PictureFault::None);
  Bytes dataFirst(kPng.begin(), kPng.begin() + 8);  // the image data before the header
  dataFirst.insert(dataFirst.end(), kPng.begin() + 33, kPng.end());
  EXPECT_EQ(LoadPictureFile(Write("nohead.png", dataFirst), 300, 300).fault, PictureFault::Damaged);
  // Guards: a walk through any number of empty chunks took as long as the file was big.
  Bytes chatty(kPng.begin(), kPng.begin() + 33);
  for (int i = 0; i < 70'000; ++i) chatty.insert(chatty.end(), {0, 0, 0, 0, 't', 'E', 'X', 't', 0, 0, 0, 0});
  chatty.insert(chatty.end(), kPng.begin() + 33, kPng.end());
  EXPECT_EQ(LoadPictureFile(Write("chatty.png", chatty), 300, 300).fault, PictureFault::TooLarge);
}

// A decoder of TIFF reads the data of every entry it is shown: 4,000 private
// tags pointing at one megabyte cost it gigabytes.
TEST(TiffWalk, ShowsTheDecoderOnlyTheEntriesDecodingNeeds) {
  // Big-endian: a directory at 8 of the width, a private tag and the height, then a next one at 99.
  const Bytes tiff = {'M', 'M', 0, 42, 0, 0, 0, 8, 0, 3,
                      1, 0, 0, 3, 0, 0, 0, 1, 0, 5, 0, 0,                 // width 5
                      0xEA, 0x60, 0, 7, 0x40, 0, 0, 0, 0, 0, 0, 8,        // 60000: 1 GB at 8
                      1, 1, 0, 3, 0, 0, 0, 1, 0, 3, 0, 0,                 // height 3
                      0, 0, 0, 99};
  picture::MemorySource source(tiff);
  picture::TiffDirectory directory;
  ASSERT_TRUE(picture::ReadTiffDirectory(source, directory));
  EXPECT_EQ(directory.at, 8);
  const std::string trimmed = picture::TrimmedTiffDirectory(directory);
  const std::string kept(tiff.begin() + 10, tiff.begin() + 22), height(tiff.begin() + 34, tiff.begin() + 46);
  EXPECT_EQ(trimmed, std::string("\0\2", 2) + kept + height + std::string(4, '\0'));
}

// A BMP with a 40-byte header; `extra` (bit masks, palette) and the pixel bytes as given.
Bytes Bmp(int width, int height, int bits, std::uint32_t compression, const Bytes& extra, const Bytes& pixels) {
  Bytes b(54, 0);
  auto put = [&b](std::size_t at, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) b[at + std::size_t(i)] = static_cast<unsigned char>(value >> (8 * i));
  };
  b[0] = 'B', b[1] = 'M';
  put(2, std::uint32_t(54 + extra.size() + pixels.size()), 4);
  put(10, std::uint32_t(54 + extra.size()), 4);
  put(14, 40, 4);
  put(18, std::uint32_t(width), 4);
  put(22, std::uint32_t(height), 4);
  put(26, 1, 2);
  put(28, std::uint32_t(bits), 2);
  put(30, compression, 4);
  put(34, std::uint32_t(pixels.size()), 4);
  b.insert(b.end(), extra.begin(), extra.end());
  b.insert(b.end(), pixels.begin(), pixels.end());
  return b;
}

// FNV-1a over the size and every pixel, to compare whole pictures between systems.
std::uint64_t Digest(const Bitmap& picture) {
  std::uint64_t h = 14695981039346656037u;
  auto add = [&h](std::uint32_t word) {
    for (int i = 0; i < 4; ++i) h = (h ^ ((word >> (8 * i)) & 255)) * 1099511628211u;
  };
  add(std::uint32_t(picture.Width()));
  add(std::uint32_t(picture.Height()));
  for (int y = 0; y < picture.Height(); ++y)
    for (int x = 0; x < picture.Width(); ++x) add(picture.Pixel(x, y));
  return h;
}

// BMP is read by the program's own reader on every system: the same pictures,
// pixel for pixel, and the same refusals.
TEST_F(PictureFiles, BmpLoadsAlikeOnEverySystem) {
  const Bytes palette = {0x10, 0x20, 0x30, 0, 0xF0, 0x80, 0x40, 0, 0x30, 0xC0, 0x60, 0};  // BGR0
  const Bytes rgb24 = Bmp(4, 4, 24, 0, {}, Bytes(48, 0x7F));
  struct Case {
    const char* name;
    Bytes bytes;
    int box;
    PictureFault fault;
    std::uint64_t digest;  // as the Linux reader gave it before it was shared; none for a fault
  };
  const std::vector<Case> cases = {
      // Runs, literals, a move that leaves index 0 and the end of the picture; 4 x 3 into 3.
      {"rle8", Bmp(4, 3, 8, 1, palette, {4, 1, 0, 0, 0, 3, 2, 0, 1, 0, 1, 2, 0, 0, 0, 2, 2, 0, 2, 1, 0, 1}), 3,
       PictureFault::None, 4747555364512360164u},
      // Bit fields with alpha, half transparent over the face colour; 3 x 2 into 2.
      {"alpha", Bmp(3, 2, 32, 6, {0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0, 0, 0, 0, 0xFF},
                    {0x20, 0x40, 0x60, 0x80, 0x20, 0x40, 0x60, 0xFF, 0x20, 0x40, 0x60, 0x00,
                     0x90, 0x10, 0xA0, 0x40, 0x90, 0x10, 0xA0, 0xC0, 0x90, 0x10, 0xA0, 0xFF}),
       2, PictureFault::None, 8299780203678175629u},
      // One bit a pixel, top-down; 10 x 2 into 4.
      {"mono", Bmp(10, -2, 1, 0, Bytes(palette.begin(), palette.begin() + 8), {0xA5, 0xC0, 0, 0, 0x3C, 0x40, 0, 0}),
       4, PictureFault::None, 12402312746928959595u},
      {"555", Bmp(3, 1, 16, 0, {}, {0x1F, 0x7C, 0xE0, 0x03, 0x4A, 0x29, 0, 0}), 300, PictureFault::None, 12953545383015153381u},
      {"cut short", Bytes(rgb24.begin(), rgb24.end() - 20), 300, PictureFault::Damaged, 0},
      {"jpeg inside", Bmp(4, 4, 24, 4, {}, Bytes(48, 0x7F)), 300, PictureFault::Damaged, 0},
      {"runs stop early", Bmp(4, 3, 8, 1, palette, {4, 1, 0, 0}), 300, PictureFault::Damaged, 0},
      {"bomb", Bmp(20000, 20000, 24, 0, {}, Bytes(48, 0x7F)), 300, PictureFault::TooLarge, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const LoadedPicture loaded = LoadPictureBytes(c.bytes, c.box, c.box);
    EXPECT_EQ(loaded.fault, c.fault);
    EXPECT_EQ(Digest(loaded.picture), c.digest == 0 ? Digest(Bitmap()) : c.digest);
  }
}

TEST(SealedDecoder, IsShutOffFromWhatDecodingDoesNotNeed) {
#ifdef _WIN32
  // Wine starts the helper in its job with its token, but keeps neither's
  // limits: integrity levels, the one process, the memory. Real Windows does.
  if (GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version"))
    GTEST_SKIP() << "under Wine, which keeps no integrity levels nor a job's limits";
#endif
  // 0: what its seal should refuse was refused, and a thread started (the
  // statuses are told in picture/Sandbox.h).
  EXPECT_EQ(picture::ProbeSealedDecoder(), 0);
}

}  // namespace
}  // namespace mirel
