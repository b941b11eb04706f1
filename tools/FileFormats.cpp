#include "tools/FileFormats.h"

#include <algorithm>
#include <cmath>
#include <fstream>

namespace mirel::tools {
namespace {

constexpr std::uint32_t kFileHeaderSize = 14;
constexpr std::uint32_t kInfoHeaderSize = 40;
constexpr std::int32_t kPixelsPerMetre = 2835;  // 72 dpi

void Put16(std::vector<std::uint8_t>& out, std::uint16_t v) {
  out.push_back(static_cast<std::uint8_t>(v & 0xFF));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<std::uint8_t>((v >> shift) & 0xFF));
}

void PutTag(std::vector<std::uint8_t>& out, const char (&tag)[5]) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(tag[i]));
}

// Rows are padded to a multiple of four bytes.
std::uint32_t Stride(int width, std::uint32_t bitsPerPixel) {
  return ((static_cast<std::uint32_t>(width) * bitsPerPixel + 31) / 32) * 4;
}

constexpr std::uint32_t kBiRgb = 0;   // uncompressed
constexpr std::uint32_t kBiRle8 = 1;  // 8-bit indices, run-length coded

// File header and BITMAPINFOHEADER; a positive height means bottom-up rows.
// Uncompressed rows need no size; coded ones give theirs.
void PutBmpHeaders(std::vector<std::uint8_t>& out, int width, int height, std::uint32_t bitsPerPixel,
                   std::uint32_t paletteEntries, std::uint32_t compression = kBiRgb,
                   std::uint32_t codedSize = 0) {
  const std::uint32_t pixelOffset = kFileHeaderSize + kInfoHeaderSize + 4 * paletteEntries;
  const std::uint32_t imageSize = compression == kBiRgb
                                      ? Stride(width, bitsPerPixel) * static_cast<std::uint32_t>(height)
                                      : codedSize;
  out.push_back('B');
  out.push_back('M');
  Put32(out, pixelOffset + imageSize);
  Put32(out, 0);  // reserved
  Put32(out, pixelOffset);
  Put32(out, kInfoHeaderSize);
  Put32(out, static_cast<std::uint32_t>(width));
  Put32(out, static_cast<std::uint32_t>(height));
  Put16(out, 1);  // planes
  Put16(out, static_cast<std::uint16_t>(bitsPerPixel));
  Put32(out, compression);
  Put32(out, imageSize);
  Put32(out, static_cast<std::uint32_t>(kPixelsPerMetre));
  Put32(out, static_cast<std::uint32_t>(kPixelsPerMetre));
  Put32(out, paletteEntries);
  Put32(out, 0);  // all colours important
}

}  // namespace

void RgbPicture::Set(int x, int y, QRgb colour) {
  const std::size_t i = PixelIndex(x, y, width) * 3;
  rgb[i] = static_cast<std::uint8_t>(qRed(colour));
  rgb[i + 1] = static_cast<std::uint8_t>(qGreen(colour));
  rgb[i + 2] = static_cast<std::uint8_t>(qBlue(colour));
}

QImage RgbPicture::ToImage() const {
  QImage image(width, height, QImage::Format_RGB32);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const std::size_t i = PixelIndex(x, y, width) * 3;
      image.setPixel(x, y, qRgb(rgb[i], rgb[i + 1], rgb[i + 2]));
    }
  }
  return image;
}

QImage BitPicture::ToImage() const {
  QImage image(width, height, QImage::Format_RGB32);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) image.setPixel(x, y, At(x, y) ? qRgb(0, 0, 0) : qRgb(255, 255, 255));
  }
  return image;
}

std::vector<std::uint8_t> EncodeBmp8Rle(const RgbPicture& picture) {
  std::vector<std::uint32_t> palette;  // 0x00RRGGBB, in order of first use
  std::vector<std::uint8_t> indices;
  for (std::size_t i = 0; i < picture.rgb.size(); i += 3) {
    const std::uint32_t colour = std::uint32_t(picture.rgb[i]) << 16 | std::uint32_t(picture.rgb[i + 1]) << 8 |
                                 picture.rgb[i + 2];
    auto it = std::find(palette.begin(), palette.end(), colour);
    if (it == palette.end()) {
      if (palette.size() == 256) return {};
      it = palette.insert(palette.end(), colour);
    }
    indices.push_back(static_cast<std::uint8_t>(it - palette.begin()));
  }
  // Every run in encoded mode (a count, then the index), a row's end after
  // each row from the bottom, the picture's end after the last.
  std::vector<std::uint8_t> coded;
  for (int y = picture.height - 1; y >= 0; --y) {
    const std::uint8_t* row = indices.data() + PixelIndex(0, y, picture.width);
    for (int x = 0; x < picture.width;) {
      int run = 1;
      while (x + run < picture.width && run < 255 && row[x + run] == row[x]) ++run;
      coded.push_back(static_cast<std::uint8_t>(run));
      coded.push_back(row[x]);
      x += run;
    }
    coded.insert(coded.end(), {0, y == 0 ? std::uint8_t{1} : std::uint8_t{0}});
  }
  std::vector<std::uint8_t> out;
  const auto entries = static_cast<std::uint32_t>(palette.size());
  PutBmpHeaders(out, picture.width, picture.height, 8, entries, kBiRle8,
                static_cast<std::uint32_t>(coded.size()));
  for (const std::uint32_t colour : palette) Put32(out, colour);  // B, G, R, 0 in the file
  out.insert(out.end(), coded.begin(), coded.end());
  return out;
}

std::vector<std::uint8_t> EncodeBmp1(const BitPicture& picture) {
  std::vector<std::uint8_t> out;
  PutBmpHeaders(out, picture.width, picture.height, 1, 2);
  Put32(out, 0x00FFFFFFu);  // entry 0: white (B, G, R, 0)
  Put32(out, 0x00000000u);  // entry 1: black
  const std::uint32_t stride = Stride(picture.width, 1);
  for (int y = picture.height - 1; y >= 0; --y) {
    std::vector<std::uint8_t> row(stride, 0);
    for (int x = 0; x < picture.width; ++x) {
      if (picture.At(x, y))
        row[static_cast<std::size_t>(x) / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
    }
    out.insert(out.end(), row.begin(), row.end());
  }
  return out;
}

std::vector<std::uint8_t> EncodeWav16(const std::vector<float>& samples, int sampleRate) {
  const auto dataSize = static_cast<std::uint32_t>(samples.size() * 2);
  std::vector<std::uint8_t> out;
  PutTag(out, "RIFF");
  Put32(out, 36 + dataSize);
  PutTag(out, "WAVE");
  PutTag(out, "fmt ");
  Put32(out, 16);
  Put16(out, 1);  // PCM
  Put16(out, 1);  // mono
  Put32(out, static_cast<std::uint32_t>(sampleRate));
  Put32(out, static_cast<std::uint32_t>(sampleRate) * 2);  // bytes a second
  Put16(out, 2);                                           // bytes a frame
  Put16(out, 16);
  PutTag(out, "data");
  Put32(out, dataSize);
  for (float s : samples) {
    const long v = std::lround(std::clamp(s, -1.0f, 1.0f) * 32767.0f);
    Put16(out, static_cast<std::uint16_t>(static_cast<std::int16_t>(v)));
  }
  return out;
}

std::vector<std::uint8_t> EncodeIco(const std::vector<IconPicture>& pictures) {
  constexpr std::uint32_t kDirectorySize = 6;
  constexpr std::uint32_t kEntrySize = 16;
  std::vector<std::uint8_t> out;
  Put16(out, 0);  // reserved
  Put16(out, 1);  // an icon, not a cursor
  Put16(out, static_cast<std::uint16_t>(pictures.size()));
  std::uint32_t offset = kDirectorySize + kEntrySize * static_cast<std::uint32_t>(pictures.size());
  for (const IconPicture& picture : pictures) {
    const auto side = static_cast<std::uint8_t>(picture.size & 0xFF);  // 256 is written as 0
    out.push_back(side);
    out.push_back(side);
    out.push_back(0);  // no palette
    out.push_back(0);  // reserved
    Put16(out, 1);     // colour planes
    Put16(out, 32);    // bits a pixel
    Put32(out, static_cast<std::uint32_t>(picture.png.size()));
    Put32(out, offset);
    offset += static_cast<std::uint32_t>(picture.png.size());
  }
  for (const IconPicture& picture : pictures) out.insert(out.end(), picture.png.begin(), picture.png.end());
  return out;
}

bool WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  if (!file) return false;
  file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(file);
}

}  // namespace mirel::tools
