#include "PictureFile.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

#include "Surface.h"

namespace mirel {

namespace {

// ---------------------------------------------------------------------------
// Reading the file's structure before decoding. Qt's decoders fill a picture
// that is cut short with grey or black and report success; a player would get a
// half-empty board without knowing why. These walks only follow the block
// structure (no pixel decoding) to see that the whole first picture is present,
// and learn what the decoder will need in memory.

// Buffered forward reading with cheap skips over a random-access device.
class Scanner {
 public:
  explicit Scanner(QIODevice& device) : device_(device) {}

  // The next byte, or -1 at the end of the data.
  int Next() {
    if (at_ == end_ && !Fill()) return -1;
    return buffer_[at_++];
  }

  bool Read(std::uint8_t* out, int n) {
    for (int i = 0; i < n; ++i) {
      const int b = Next();
      if (b < 0) return false;
      out[i] = std::uint8_t(b);
    }
    return true;
  }

  // False when the data ends before n more bytes.
  bool Skip(qint64 n) {
    const qint64 buffered = end_ - at_;
    if (n <= buffered) {
      at_ += int(n);
      return true;
    }
    n -= buffered;
    at_ = end_ = 0;
    const qint64 target = device_.pos() + n;
    if (target > device_.size()) return false;
    return device_.seek(target);
  }

  // Moves just past the next 0xFF byte; false when there is none.
  bool SkipPastFF() {
    for (;;) {
      if (at_ == end_ && !Fill()) return false;
      const void* hit = std::memchr(buffer_.data() + at_, 0xFF, std::size_t(end_ - at_));
      if (hit) {
        at_ = int(static_cast<const std::uint8_t*>(hit) - buffer_.data()) + 1;
        return true;
      }
      at_ = end_;
    }
  }

 private:
  bool Fill() {
    const qint64 got = device_.read(reinterpret_cast<char*>(buffer_.data()), qint64(buffer_.size()));
    if (got <= 0) return false;
    at_ = 0;
    end_ = int(got);
    return true;
  }

  QIODevice& device_;
  std::array<std::uint8_t, 64 * 1024> buffer_{};
  int at_ = 0;
  int end_ = 0;
};

enum class Shape { Whole, CutShort, Malformed };

int U16be(const std::uint8_t* p) { return (p[0] << 8) | p[1]; }
int U16le(const std::uint8_t* p) { return p[0] | (p[1] << 8); }
std::uint32_t U32le(const std::uint8_t* p) {
  return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
         std::uint32_t(p[3]) << 24;
}

qint64 CeilDiv(qint64 a, qint64 b) { return (a + b - 1) / b; }

// --- JPEG ---

// Progressive files with more scans than any encoder writes only cost time.
constexpr int kJpegMaxScans = 100;

struct JpegFacts {
  qint64 coefficientBytes = 0;  // whole-image coefficient buffer, when the decoder needs one
};

// The byte after a run of 0xFF fill bytes, or -1 at the end.
int MarkerAfterFF(Scanner& s) {
  int b;
  do b = s.Next();
  while (b == 0xFF);
  return b;
}

bool IsSof(int m) { return m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC; }
bool IsProgressiveSof(int m) { return m == 0xC2 || m == 0xC6 || m == 0xCA || m == 0xCE; }

Shape CheckJpeg(Scanner& s, JpegFacts& facts) {
  std::uint8_t soi[2];
  if (!s.Read(soi, 2)) return Shape::CutShort;
  if (soi[0] != 0xFF || soi[1] != 0xD8) return Shape::Malformed;

  bool haveFrame = false, progressive = false;
  int scans = 0, firstScanComponents = 0;
  std::array<std::uint8_t, 4 + 255 * 3> frame{};  // X, Y (after P) and the component table
  int frameComponents = 0, frameWidth = 0, frameHeight = 0;
  std::array<std::uint8_t, 256> segment{};

  int marker = -1;  // a marker already found at the end of a scan
  for (;;) {
    if (marker < 0) {
      // Between segments decoders skip stray bytes, so we do too.
      if (!s.SkipPastFF()) return Shape::CutShort;
      marker = MarkerAfterFF(s);
      if (marker < 0) return Shape::CutShort;
    }
    const int m = marker;
    marker = -1;
    if (m == 0xD9) break;  // end of image
    if (m == 0x00 || m == 0x01 || (m >= 0xD0 && m <= 0xD7)) continue;
    if (m == 0xD8) return Shape::Malformed;

    std::uint8_t len[2];
    if (!s.Read(len, 2)) return Shape::CutShort;
    const int length = U16be(len) - 2;
    if (length < 0) return Shape::Malformed;

    if (IsSof(m)) {
      if (haveFrame || length < 6) return Shape::Malformed;
      std::uint8_t head[6];
      if (!s.Read(head, 6)) return Shape::CutShort;
      frameHeight = U16be(head + 1);
      frameWidth = U16be(head + 3);
      frameComponents = head[5];
      if (frameComponents == 0 || length < 6 + 3 * frameComponents) return Shape::Malformed;
      if (!s.Read(frame.data(), 3 * frameComponents)) return Shape::CutShort;
      if (!s.Skip(length - 6 - 3 * frameComponents)) return Shape::CutShort;
      haveFrame = true;
      progressive = IsProgressiveSof(m);
      continue;
    }

    if (m != 0xDA) {
      if (!s.Skip(length)) return Shape::CutShort;
      continue;
    }

    // Start of scan: its header, then entropy-coded data up to the next marker.
    if (!haveFrame || length < 1 || length > int(segment.size())) return Shape::Malformed;
    if (!s.Read(segment.data(), length)) return Shape::CutShort;
    if (++scans > kJpegMaxScans) return Shape::Malformed;
    if (scans == 1) firstScanComponents = segment[0];
    for (;;) {
      if (!s.SkipPastFF()) return Shape::CutShort;
      const int b = MarkerAfterFF(s);
      if (b < 0) return Shape::CutShort;
      if (b == 0x00 || (b >= 0xD0 && b <= 0xD7)) continue;  // stuffed byte or restart
      marker = b;
      break;
    }
  }
  if (!haveFrame || scans == 0) return Shape::Malformed;

  // A progressive or non-interleaved file is decoded through a buffer holding
  // every DCT coefficient of the whole image, whatever the output size.
  if (progressive || firstScanComponents < frameComponents) {
    int hMax = 1, vMax = 1;
    for (int i = 0; i < frameComponents; ++i) {
      const int h = frame[3 * i + 1] >> 4, v = frame[3 * i + 1] & 15;
      if (h < 1 || h > 4 || v < 1 || v > 4) return Shape::Malformed;
      hMax = std::max(hMax, h);
      vMax = std::max(vMax, v);
    }
    qint64 bytes = 0;
    for (int i = 0; i < frameComponents; ++i) {
      const int h = frame[3 * i + 1] >> 4, v = frame[3 * i + 1] & 15;
      const qint64 wBlocks = CeilDiv(CeilDiv(qint64(frameWidth) * h, hMax), 8);
      const qint64 hBlocks = CeilDiv(CeilDiv(qint64(frameHeight) * v, vMax), 8);
      bytes += CeilDiv(wBlocks, h) * h * CeilDiv(hBlocks, v) * v * 64 * 2;
    }
    facts.coefficientBytes = bytes;
  }
  return Shape::Whole;
}

// --- GIF ---

struct GifFacts {
  qint64 canvasWidth = 0, canvasHeight = 0;  // what the decoder may allocate
};

bool SkipSubBlocks(Scanner& s) {
  for (;;) {
    const int n = s.Next();
    if (n < 0) return false;
    if (n == 0) return true;
    if (!s.Skip(n)) return false;
  }
}

// Only the first frame is played, so only it has to be whole.
Shape CheckGif(Scanner& s, GifFacts& facts) {
  std::uint8_t head[13];
  if (!s.Read(head, 13)) return Shape::CutShort;
  facts.canvasWidth = U16le(head + 6);
  facts.canvasHeight = U16le(head + 8);
  if ((head[10] & 0x80) && !s.Skip(3 * (2 << (head[10] & 7)))) return Shape::CutShort;
  for (;;) {
    const int b = s.Next();
    if (b < 0) return Shape::CutShort;
    if (b == 0x21) {  // extension: label, then data sub-blocks
      if (s.Next() < 0 || !SkipSubBlocks(s)) return Shape::CutShort;
    } else if (b == 0x2C) {  // image descriptor
      std::uint8_t d[9];
      if (!s.Read(d, 9)) return Shape::CutShort;
      facts.canvasWidth = std::max<qint64>(facts.canvasWidth, U16le(d) + U16le(d + 4));
      facts.canvasHeight = std::max<qint64>(facts.canvasHeight, U16le(d + 2) + U16le(d + 6));
      if ((d[8] & 0x80) && !s.Skip(3 * (2 << (d[8] & 7)))) return Shape::CutShort;
      if (s.Next() < 0) return Shape::CutShort;  // LZW code size
      return SkipSubBlocks(s) ? Shape::Whole : Shape::CutShort;
    } else {
      return Shape::Malformed;  // a trailer before any picture, or garbage
    }
  }
}

// --- BMP ---

Shape CheckBmpRle(Scanner& s, bool fourBit, qint64 rows) {
  qint64 lines = 0;
  for (;;) {
    std::uint8_t op[2];
    if (!s.Read(op, 2)) return lines >= rows ? Shape::Whole : Shape::CutShort;
    if (op[0] != 0) continue;  // a run of one colour
    switch (op[1]) {
      case 0:  // end of line
        ++lines;
        break;
      case 1:  // end of picture
        return Shape::Whole;
      case 2: {  // move right and down
        std::uint8_t delta[2];
        if (!s.Read(delta, 2)) return Shape::CutShort;
        lines += delta[1];
        break;
      }
      default: {  // literal pixels, padded to whole 16-bit words
        const qint64 bytes = fourBit ? CeilDiv(op[1], 2) : op[1];
        if (!s.Skip(bytes + (bytes & 1))) return Shape::CutShort;
      }
    }
  }
}

Shape CheckBmp(Scanner& s, qint64 fileSize) {
  std::uint8_t h[34];
  if (!s.Read(h, 18)) return Shape::CutShort;
  const qint64 pixelsAt = U32le(h + 10);
  const std::uint32_t infoSize = U32le(h + 14);
  qint64 width, height, consumed;
  int bitCount;
  std::uint32_t compression = 0;
  if (infoSize == 12) {  // the old core header
    if (!s.Read(h + 18, 8)) return Shape::CutShort;
    width = U16le(h + 18);
    height = U16le(h + 20);
    bitCount = U16le(h + 24);
    consumed = 26;
  } else if (infoSize >= 40) {
    if (!s.Read(h + 18, 16)) return Shape::CutShort;
    width = std::int32_t(U32le(h + 18));
    height = std::int32_t(U32le(h + 22));
    bitCount = U16le(h + 28);
    compression = U32le(h + 30);
    consumed = 34;
  } else {
    return Shape::Malformed;
  }
  if (height < 0) height = -height;
  // Bounds that keep the sums below in range; the size limits come later.
  if (width <= 0 || height <= 0 || width > (1 << 24) || height > (1 << 24)) return Shape::Malformed;
  if (bitCount <= 0 || bitCount > 64) return Shape::Malformed;

  switch (compression) {
    case 0:    // plain rows
    case 3:    // bit fields
    case 6: {  // bit fields with alpha
      // Every byte of pixel data up to the last pixel (row padding aside).
      const qint64 stride = CeilDiv(width * bitCount, 32) * 4;
      const qint64 needed = pixelsAt + stride * (height - 1) + CeilDiv(width * bitCount, 8);
      return fileSize >= needed ? Shape::Whole : Shape::CutShort;
    }
    case 1:  // run-length, 8 bits
    case 2:  // run-length, 4 bits
      if (pixelsAt < consumed) return Shape::Malformed;
      if (!s.Skip(pixelsAt - consumed)) return Shape::CutShort;
      return CheckBmpRle(s, compression == 2, height);
    default:
      return Shape::Whole;  // the decoder refuses what it cannot read
  }
}

// ---------------------------------------------------------------------------

// Which of the four formats the content starts with; empty for anything else.
QByteArray FormatOf(QIODevice& device) {
  const QByteArray head = device.peek(8);
  if (head.startsWith("BM")) return "bmp";
  if (head.startsWith("GIF87a") || head.startsWith("GIF89a")) return "gif";
  if (head.startsWith("\xFF\xD8\xFF")) return "jpeg";
  if (head.startsWith("\x89PNG\r\n\x1A\n")) return "png";
  return {};
}

// Qt's image allocation limit is process-wide; hold ours only while decoding.
class AllocationLimit {
 public:
  explicit AllocationLimit(int megabytes) : previous_(QImageReader::allocationLimit()) {
    QImageReader::setAllocationLimit(megabytes);
  }
  ~AllocationLimit() { QImageReader::setAllocationLimit(previous_); }
  AllocationLimit(const AllocationLimit&) = delete;
  AllocationLimit& operator=(const AllocationLimit&) = delete;

 private:
  int previous_;
};

// Transparent parts show the face colour, as the box behind them would.
QImage OverFaceColour(QImage picture) {
  picture.setDevicePixelRatio(1.0);
  if (!picture.hasAlphaChannel()) return picture.convertToFormat(QImage::Format_RGB32);
  QImage out(picture.size(), QImage::Format_RGB32);
  out.fill(kFaceColour);
  QPainter painter(&out);
  painter.drawImage(0, 0, picture);
  painter.end();
  return out;
}

FittedPicture Fault(PictureFault fault, QByteArray format = {}) {
  FittedPicture result;
  result.fault = fault;
  result.format = std::move(format);
  return result;
}

}  // namespace

QSize FitInto(QSize picture, QSize box) {
  return {std::min(picture.width(), box.width()), std::min(picture.height(), box.height())};
}

FittedPicture LoadFittedPicture(const QString& path, QSize box) {
  const QFileInfo info(path);
  if (!info.exists()) return Fault(PictureFault::Missing);
  if (!info.isFile()) return Fault(PictureFault::Unreadable);
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return Fault(PictureFault::Unreadable);
  return LoadFittedPicture(file, box);
}

FittedPicture LoadFittedPicture(QIODevice& device, QSize box) {
  if (!device.isOpen() || !device.isReadable() || device.isSequential() || !device.seek(0))
    return Fault(PictureFault::Unreadable);
  const qint64 fileSize = device.size();
  if (fileSize == 0) return Fault(PictureFault::Empty);
  if (fileSize > kPictureMaxFileBytes) return Fault(PictureFault::TooLarge);

  const QByteArray format = FormatOf(device);
  if (format.isEmpty()) {
    // Only to choose the message: other decoders look at the header, never decode.
    const bool otherPicture = !QImageReader::imageFormat(&device).isEmpty();
    return Fault(otherPicture ? PictureFault::Unsupported : PictureFault::NotAPicture);
  }

  // Whole file present? And what will decoding it cost beyond the picture itself?
  qint64 extraBytes = 0;
  QSize canvas;
  {
    Scanner scanner(device);
    Shape shape = Shape::Whole;
    if (format == "jpeg") {
      JpegFacts facts;
      shape = CheckJpeg(scanner, facts);
      extraBytes = facts.coefficientBytes;
    } else if (format == "gif") {
      GifFacts facts;
      shape = CheckGif(scanner, facts);
      if (facts.canvasWidth > 0 && facts.canvasHeight > 0)
        canvas = QSize(int(facts.canvasWidth), int(facts.canvasHeight));
    } else if (format == "bmp") {
      shape = CheckBmp(scanner, fileSize);
    }  // PNG: libpng checks every chunk and fails a short file itself.
    if (shape != Shape::Whole) return Fault(PictureFault::Damaged, format);
  }
  if (!device.seek(0)) return Fault(PictureFault::Unreadable, format);

  QImageReader reader(&device, format);
  reader.setAutoDetectImageFormat(false);
  reader.setAutoTransform(true);
  if (reader.format() != format) return Fault(PictureFault::Unsupported, format);

  const QSize stored = reader.size();
  if (!stored.isValid() || stored.isEmpty()) return Fault(PictureFault::Damaged, format);
  const bool turned = reader.transformation().testFlag(QImageIOHandler::TransformationRotate90);
  const QSize upright = turned ? stored.transposed() : stored;
  FittedPicture result;
  result.format = format;
  result.sourceSize = upright;

  const qint64 pixels = qint64(stored.width()) * stored.height();
  if (pixels > kPictureMaxPixels) return Fault(PictureFault::TooLarge, format);
  const QSize fitted = FitInto(upright, box);
  const QSize storedFitted = turned ? fitted.transposed() : fitted;
  // A big JPEG is decoded in the DCT at 1/8, 1/4 or 1/2 of its size: the
  // smallest that still gives twice the fitted size. The rest of the way is a
  // smooth squeeze. Straight to the fitted size, or at the in-between scales
  // (3/8, 5/8, ...), fine texture aliases through the reduced DCT; this way the
  // result stays within a few levels of squeezing the full decode.
  QSize decodeTo;
  qint64 decodedPixels = pixels;
  if (format == "jpeg") {
    for (int eighths : {1, 2, 4}) {
      // Qt picks the scale from the size asked for; rounding down makes it pick this one.
      const QSize scaled(int(qint64(stored.width()) * eighths / 8),
                         int(qint64(stored.height()) * eighths / 8));
      if (scaled.width() >= 2 * storedFitted.width() && scaled.height() >= 2 * storedFitted.height()) {
        decodeTo = scaled;
        decodedPixels =
            CeilDiv(qint64(stored.width()) * eighths, 8) * CeilDiv(qint64(stored.height()) * eighths, 8);
        break;
      }
    }
  }
  if (canvas.isValid()) decodedPixels = std::max(pixels, qint64(canvas.width()) * canvas.height());
  // Up to 8 bytes a decoded pixel: the decoder's image (16-bit PNGs take 8 on
  // their own, a GIF a second canvas for frame disposal), or 4 plus the copy
  // converted for scaling.
  if (decodedPixels * 8 + extraBytes > kPictureMemoryBudget) return Fault(PictureFault::TooLarge, format);

  if (decodeTo.isValid()) reader.setScaledSize(decodeTo);
  QImage picture;
  {
    const AllocationLimit limit(int(kPictureMemoryBudget >> 20));
    if (!reader.read(&picture) || picture.isNull()) return Fault(PictureFault::Damaged, format);
  }
  if (picture.size() != fitted)
    picture = picture.scaled(fitted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  result.picture = OverFaceColour(std::move(picture));
  if (result.picture.isNull()) return Fault(PictureFault::TooLarge, format);
  return result;
}

}  // namespace mirel
