#pragma once
// Pictures for the own-picture tests, made on the spot: photo-like images,
// JPEGs with an EXIF orientation, hand-built GIFs (Qt cannot write GIF) and
// files cut short or with forged sizes.

#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/AreaAverage.h"
#include "platform/QtBitmap.h"

namespace mirel::pics {

// Colour waves, a fine texture and two shapes with edges a few pixels soft,
// like a photo. The texture is finer than a 300-pixel picture can show: a good
// squeeze averages it away, picking pixels instead leaves it as noise.
inline QImage PhotoLike(int w, int h) {
  QImage img(w, h, QImage::Format_RGB32);
  const double soft = std::max(w, h) / 1000.0;  // edge width in pixels
  auto inside = [soft](double distance) { return std::clamp(0.5 - distance / soft, 0.0, 1.0); };
  for (int y = 0; y < h; ++y) {
    auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
    const double v = double(y) / h;
    for (int x = 0; x < w; ++x) {
      const double u = double(x) / w;
      const double texture = 24 * std::sin(x * 6.2832 / 5) * std::sin(y * 6.2832 / 7);
      double r = 128 + 90 * std::sin(6.2832 * (2 * u + v)) + texture;
      double g = 128 + 80 * std::cos(6.2832 * (u - 3 * v)) - texture;
      double b = 40 + 180 * u * v + texture;
      const double disc = inside((std::hypot((u - 0.3) * w, (v - 0.6) * h) - 0.2 * h));
      r += (250 - r) * disc, g += (235 - g) * disc, b += (20 - b) * disc;
      const double box = inside(std::max({(0.7 - u) * w, (u - 0.9) * w, (0.1 - v) * h, (v - 0.3) * h}));
      r += (20 - r) * box, g += (30 - g) * box, b += (200 - b) * box;
      line[x] = qRgb(std::clamp(int(r), 0, 255), std::clamp(int(g), 0, 255), std::clamp(int(b), 0, 255));
    }
  }
  return img;
}

// Nine blocks of colours that an AND with the grey backdrop would change.
inline constexpr std::array<QRgb, 9> kBlockColours = {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu,
                                                      0xFFFFFF00u, 0xFFFF00FFu, 0xFF00FFFFu,
                                                      0xFFFF8000u, 0xFF80FF80u, 0xFFC0C0FFu};

inline QImage Blocks(int side) {
  QImage img(side, side, QImage::Format_RGB32);
  const int cell = side / 3;
  for (int y = 0; y < side; ++y)
    for (int x = 0; x < side; ++x)
      img.setPixel(x, y, kBlockColours[std::size_t(std::min(y / cell, 2) * 3 + std::min(x / cell, 2))]);
  return img;
}

inline QByteArray Encode(const QImage& img, const char* format, int quality = -1, bool progressive = false) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  QImageWriter writer(&buffer, format);
  writer.setQuality(quality);
  writer.setProgressiveScanWrite(progressive);
  if (!writer.write(img)) throw std::runtime_error("cannot encode test picture");
  return bytes;
}

inline QString WriteFile(const std::filesystem::path& path, const QByteArray& bytes) {
  QFile file(QString::fromStdString(path.string()));
  if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
    throw std::runtime_error("cannot write test file");
  return file.fileName();
}

// A JPEG with an EXIF block whose only entry is the orientation (1..8).
inline QByteArray WithOrientation(const QByteArray& jpeg, int orientation) {
  const char app1[] = {'\xFF', '\xE1', 0,   34,               // APP1, length
                       'E',    'x',    'i', 'f', 0, 0,        // EXIF identifier
                       'I',    'I',    42,  0,   8, 0, 0, 0,  // little-endian TIFF, IFD at 8
                       1,      0,                             // one entry
                       0x12,   0x01,   3,   0,   1, 0, 0, 0, char(orientation),
                       0,      0,      0,        // Orientation, SHORT, 1
                       0,      0,      0,   0};  // no next IFD
  return jpeg.left(2) + QByteArray(app1, sizeof app1) + jpeg.mid(2);
}

// Rewrites a JPEG's frame header: its size and, optionally, the sampling of
// its first component. The data no longer matches; the point is what the
// header claims.
inline QByteArray ForgeJpegFrame(QByteArray jpeg, int width, int height, int lumaSampling = -1) {
  int at = 2;
  while (at + 4 < jpeg.size()) {
    const auto marker = std::uint8_t(jpeg[at + 1]);
    const int length = (std::uint8_t(jpeg[at + 2]) << 8) | std::uint8_t(jpeg[at + 3]);
    if (marker >= 0xC0 && marker <= 0xC2) {
      jpeg[at + 5] = char(height >> 8);
      jpeg[at + 6] = char(height);
      jpeg[at + 7] = char(width >> 8);
      jpeg[at + 8] = char(width);
      if (lumaSampling >= 0) jpeg[at + 11] = char(lumaSampling);
      return jpeg;
    }
    at += 2 + length;
  }
  throw std::runtime_error("no frame header");
}

// A GIF with a four-colour table. Each frame covers the whole screen with
// palette indices; `transparent` marks an index as see-through in that frame.
struct GifFrame {
  std::vector<std::uint8_t> indices;
  int transparent = -1;
};

inline QByteArray BuildGif(int w, int h, const std::array<QRgb, 4>& palette,
                           const std::vector<GifFrame>& frames, int screenWidth = -1, int screenHeight = -1) {
  QByteArray out("GIF89a");
  auto u16 = [&out](int v) {
    out.append(char(v & 0xFF));
    out.append(char((v >> 8) & 0xFF));
  };
  u16(screenWidth < 0 ? w : screenWidth);
  u16(screenHeight < 0 ? h : screenHeight);
  out.append(char(0x91));  // global table of 4 colours
  out.append(char(0));
  out.append(char(0));
  for (QRgb c : palette) {
    out.append(char(qRed(c)));
    out.append(char(qGreen(c)));
    out.append(char(qBlue(c)));
  }
  out.append("\x21\xFF\x0BNETSCAPE2.0\x03\x01\x00\x00\x00", 19);  // loop forever
  for (const GifFrame& frame : frames) {
    out.append("\x21\xF9\x04", 3);
    out.append(char(0x04 | (frame.transparent >= 0 ? 1 : 0)));  // keep, maybe transparent
    u16(10);
    out.append(char(std::max(frame.transparent, 0)));
    out.append(char(0));
    out.append(char(0x2C));
    u16(0);
    u16(0);
    u16(w);
    u16(h);
    out.append(char(0));
    out.append(char(2));  // LZW minimum code size
    // 3-bit codes with a clear code after every two pixels, so the code table
    // never grows and no compression is needed.
    QByteArray data;
    std::uint32_t acc = 0;
    int bits = 0;
    auto put = [&](int code) {
      acc |= std::uint32_t(code) << bits;
      bits += 3;
      while (bits >= 8) {
        data.append(char(acc & 0xFF));
        acc >>= 8;
        bits -= 8;
      }
    };
    put(4);
    for (std::size_t i = 0; i < frame.indices.size(); ++i) {
      put(frame.indices[i]);
      if (i % 2 == 1) put(4);
    }
    put(5);
    if (bits > 0) data.append(char(acc & 0xFF));
    for (int at = 0; at < data.size(); at += 255) {
      const int n = std::min<int>(255, int(data.size()) - at);
      out.append(char(n));
      out.append(data.mid(at, n));
    }
    out.append(char(0));
  }
  out.append(char(0x3B));
  return out;
}

// A picture made by a format's own command-line encoder: `source` goes to
// folder/in.png (or .jpg for EXIF), the tool writes folder/out.EXT.
inline QByteArray EncodeWithTool(const std::filesystem::path& folder, const QByteArray& source,
                                 const char* sourceExt, const QString& program, QStringList args,
                                 const char* ext) {
  const QString in = WriteFile(folder / (std::string("in.") + sourceExt), source);
  const QString out = QString::fromStdString((folder / (std::string("out.") + ext)).string());
  QFile::remove(out);
  args.replaceInStrings("IN", in);
  args.replaceInStrings("OUT", out);
  QProcess tool;
  tool.start(program, args);
  if (!tool.waitForFinished(60000) || tool.exitStatus() != QProcess::NormalExit || tool.exitCode() != 0)
    throw std::runtime_error("encoder failed: " + program.toStdString());
  QFile file(out);
  if (!file.open(QIODevice::ReadOnly))
    throw std::runtime_error("encoder wrote nothing: " + program.toStdString());
  return file.readAll();
}

inline std::uint32_t Crc32(const QByteArray& bytes) {
  std::uint32_t crc = 0xFFFFFFFFu;
  for (char c : bytes) {
    crc ^= std::uint8_t(c);
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
  }
  return ~crc;
}

inline void PutU32be(QByteArray& bytes, int at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = char(v >> (24 - 8 * i));
}

// A PNG chunk with its length and CRC.
inline QByteArray PngChunk(const char* type, const QByteArray& data) {
  QByteArray chunk(4, 0);
  PutU32be(chunk, 0, std::uint32_t(data.size()));
  const QByteArray body = QByteArray(type, 4) + data;
  QByteArray crc(4, 0);
  PutU32be(crc, 0, Crc32(body));
  return chunk + body + crc;
}

// Where each pass of a PNG starts and how far apart its pixels lie: Adam7's
// seven, or one for a plain file.
struct PngPass {
  std::uint32_t x, y, dx, dy;
};
inline std::vector<PngPass> PngPasses(bool interlaced) {
  if (!interlaced) return {{0, 0, 1, 1}};
  return {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4}, {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
}

// A 16-bit RGBA PNG of one colour, streamed through zlib: the file is small
// and quick to make, whatever its size in pixels.
inline QByteArray Png16OneColour(std::uint32_t width, std::uint32_t height, QRgb colour,
                                 bool interlaced = false) {
  QByteArray ihdr(13, 0);
  PutU32be(ihdr, 0, width);
  PutU32be(ihdr, 4, height);
  ihdr[8] = 16, ihdr[9] = 6, ihdr[12] = char(interlaced ? 1 : 0);
  std::vector<std::uint8_t> first(1 + std::size_t(width) * 8), up(first.size(), 0);
  up.at(0) = 2;  // each later row of a pass: "same as the row above"
  for (std::uint32_t x = 0; x < width; ++x)
    for (int c = 0; c < 4; ++c) {
      const int v = c == 0 ? qRed(colour) : c == 1 ? qGreen(colour) : c == 2 ? qBlue(colour) : qAlpha(colour);
      first[1 + 8 * x + 2 * std::size_t(c)] = first[2 + 8 * x + 2 * std::size_t(c)] = std::uint8_t(v);
    }
  z_stream z{};
  deflateInit(&z, 9);
  QByteArray idat;
  std::vector<std::uint8_t> out(1 << 16);
  auto put = [&](const std::uint8_t* data, std::size_t n, int flush) {
    z.next_in = const_cast<std::uint8_t*>(data);
    z.avail_in = uInt(n);
    do {
      z.next_out = out.data();
      z.avail_out = uInt(out.size());
      deflate(&z, flush);
      idat.append(reinterpret_cast<const char*>(out.data()), qsizetype(out.size() - z.avail_out));
    } while (z.avail_out == 0);
  };
  for (const PngPass& p : PngPasses(interlaced)) {
    if (p.x >= width || p.y >= height) continue;  // an empty pass has no rows
    const std::size_t bytes = 1 + std::size_t((width - p.x + p.dx - 1) / p.dx) * 8;
    for (std::uint32_t y = p.y; y < height; y += p.dy) put((y == p.y ? first : up).data(), bytes, Z_NO_FLUSH);
  }
  put(nullptr, 0, Z_FINISH);
  deflateEnd(&z);
  return QByteArray("\x89PNG\r\n\x1A\n", 8) + PngChunk("IHDR", ihdr) + PngChunk("IDAT", idat) +
         PngChunk("IEND", {});
}

// An 8-bit RGB PNG, Adam7-interlaced if asked: the twins differ only in the
// order their pixels are stored.
inline QByteArray PngRgb(const QImage& img, bool interlaced) {
  QByteArray ihdr(13, 0);
  PutU32be(ihdr, 0, std::uint32_t(img.width()));
  PutU32be(ihdr, 4, std::uint32_t(img.height()));
  ihdr[8] = 8, ihdr[9] = 2, ihdr[12] = char(interlaced ? 1 : 0);
  const auto width = std::uint32_t(img.width()), height = std::uint32_t(img.height());
  QByteArray raw;
  for (const PngPass& p : PngPasses(interlaced)) {
    if (p.x >= width || p.y >= height) continue;
    for (std::uint32_t y = p.y; y < height; y += p.dy) {
      raw.append(char(0));
      for (std::uint32_t x = p.x; x < width; x += p.dx) {
        const QRgb c = img.pixel(int(x), int(y));
        raw.append(char(qRed(c))).append(char(qGreen(c))).append(char(qBlue(c)));
      }
    }
  }
  QByteArray idat(qsizetype(compressBound(uLong(raw.size()))), 0);
  uLongf length = uLongf(idat.size());
  compress2(reinterpret_cast<Bytef*>(idat.data()), &length, reinterpret_cast<const Bytef*>(raw.constData()),
            uLong(raw.size()), 1);
  idat.truncate(qsizetype(length));
  return QByteArray("\x89PNG\r\n\x1A\n", 8) + PngChunk("IHDR", ihdr) + PngChunk("IDAT", idat) +
         PngChunk("IEND", {});
}

// A PNG whose header claims another size (its CRC made right again).
inline QByteArray ForgePngSize(QByteArray png, std::uint32_t width, std::uint32_t height) {
  PutU32be(png, 16, width);
  PutU32be(png, 20, height);
  PutU32be(png, 29, Crc32(png.mid(12, 17)));
  return png;
}

// A PNG with an eXIf chunk, before its pixel data, whose only entry is the orientation.
inline QByteArray PngWithOrientation(const QByteArray& png, int orientation) {
  const char tiff[] = {'M', 'M', 0, 42, 0, 0, 0, 8, 0, 1, 1, 0x12, 0, 3, 0, 0, 0, 1, 0, char(orientation),
                       0,   0,   0, 0,  0, 0};
  return png.left(33) + PngChunk("eXIf", QByteArray(tiff, sizeof tiff)) + png.mid(33);
}

// A baseline TIFF of 8-bit grey that claims width x height and holds one byte.
inline QByteArray ForgedTiff(std::uint16_t width, std::uint16_t height) {
  QByteArray t("II*\0\x08\0\0\0", 8);
  auto u16 = [&t](int v) { t.append(char(v & 0xFF)).append(char(v >> 8)); };
  auto u32 = [&](std::uint32_t v) { u16(int(v & 0xFFFF)), u16(int(v >> 16)); };
  const int entries = 8;
  u16(entries);
  auto entry = [&](int tag, int type, std::uint32_t value) { u16(tag), u16(type), u32(1), u32(value); };
  entry(256, 3, width);                          // ImageWidth
  entry(257, 3, height);                         // ImageLength
  entry(258, 3, 8);                              // BitsPerSample
  entry(259, 3, 1);                              // no compression
  entry(262, 3, 1);                              // black is zero
  entry(273, 4, 8 + 2 + 12 * entries + 4);       // StripOffsets
  entry(278, 3, height);                         // RowsPerStrip
  entry(279, 4, std::uint32_t(width) * height);  // StripByteCounts
  u32(0);
  t.append(char(0x80));
  return t;
}

// Runs `load` and returns how far the process's peak resident memory rose
// above what it held before, in MB, from the kernel's own figures.
template <class Load>
double PeakGrowthMb(Load&& load) {
  auto field = [](const char* name) {
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::string key = std::string(name) + ":";
    while (std::getline(status, line))
      if (line.rfind(key, 0) == 0) return std::stol(line.substr(key.size()));
    return -1L;
  };
  std::ofstream("/proc/self/clear_refs") << "5";  // restart the peak from now
  const long before = field("VmRSS");
  load();
  return double(field("VmHWM") - before) / 1024.0;
}

// Largest difference of any colour channel, and the mean over all channels.
struct Difference {
  int largest = 0;
  double mean = 0;
};

inline Difference Compare(const QImage& a, const QImage& b) {
  if (a.size() != b.size()) return {256, 256};
  Difference d;
  double sum = 0;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x) {
      const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
      for (int c :
           {std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)), std::abs(qBlue(p) - qBlue(q))}) {
        d.largest = std::max(d.largest, c);
        sum += c;
      }
    }
  d.mean = sum / (3.0 * a.width() * a.height());
  return d;
}

// `source` reduced to w x h by the window's exact area averaging, which the
// squeeze must match level for level: two ways to one rounded mean, and
// neither of them a library's scaler.
inline QImage AreaAveraged(const QImage& source, int w, int h) {
  const Bitmap bitmap = ToBitmap(source);
  return QtView(AreaAverage(bitmap, 0, 0, bitmap.Width(), bitmap.Height(), w, h)).copy();
}

}  // namespace mirel::pics
