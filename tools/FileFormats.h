#pragma once
// Writers for the exact file layouts the game ships: bottom-up BMPs (8-bit
// run-length coded colour and 1-bit two-colour) and 16-bit PCM WAV. The bytes are
// laid out by hand so the headers never depend on an image library's choices.

#include <cstdint>
#include <string>
#include <vector>

#include <QImage>

namespace mirel::tools {

// Sizes and places are given as ints, as Qt gives them; storage counts in size_t.
inline std::size_t PixelCount(int width, int height) {
  return static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
}
// Where pixel (x, y) sits in a row-major picture `width` pixels wide.
inline std::size_t PixelIndex(int x, int y, int width) {
  return PixelCount(width, y) + static_cast<std::size_t>(x);
}

// RGB pixels, row-major from the top row, 3 bytes a pixel.
struct RgbPicture {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgb;  // 3 bytes a pixel: R, G, B

  RgbPicture(int w, int h) : width(w), height(h), rgb(PixelCount(w, h) * 3, 0) {}
  void Set(int x, int y, QRgb colour);
  QImage ToImage() const;
};

// Two-colour picture, row-major from the top row; true = black (palette entry 1).
struct BitPicture {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> black;  // 0 or 1 a pixel

  BitPicture(int w, int h) : width(w), height(h), black(PixelCount(w, h), 0) {}
  bool At(int x, int y) const { return black[PixelIndex(x, y, width)] != 0; }
  QImage ToImage() const;
};

// 8-bit palette, run-length coded (BI_RLE8): a picture of few colours in
// long runs, as the backdrop, in a few kilobytes. Empty above 256 colours.
std::vector<std::uint8_t> EncodeBmp8Rle(const RgbPicture& picture);
// Palette entry 0 is white, entry 1 black.
std::vector<std::uint8_t> EncodeBmp1(const BitPicture& picture);
// One picture of an icon file: a square PNG.
struct IconPicture {
  int size = 0;  // 1..256 pixels a side
  std::vector<std::uint8_t> png;
};
// A Windows icon file holding the pictures as they are, PNG-compressed, which
// Windows reads at every size since Vista.
std::vector<std::uint8_t> EncodeIco(const std::vector<IconPicture>& pictures);
// Samples in [-1, 1], clipped, mono.
std::vector<std::uint8_t> EncodeWav16(const std::vector<float>& samples, int sampleRate);

// Writes the bytes, replacing the file; false on any failure.
bool WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes);

}  // namespace mirel::tools
