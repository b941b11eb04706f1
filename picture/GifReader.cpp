// GIF: Qt's decoder, for the first frame only. Qt fills a frame cut short
// with the background and reports success, so the block structure is walked
// first to see that the whole first frame is there.

#include <QIODevice>
#include <QImageReader>

#include <algorithm>

#include "QtByteSource.h"
#include "Reader.h"
#include "Squeezer.h"
#include "picture/PictureFile.h"
#include "picture/plain/Scanner.h"

namespace mirel::picture {

namespace {

bool SkipSubBlocks(Scanner& s) {
  for (;;) {
    const int n = s.Next();
    if (n < 0) return false;
    if (n == 0) return true;
    if (!s.Skip(n)) return false;
  }
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

class GifReader final : public Reader {
 public:
  explicit GifReader(QIODevice& device) : device_(device) {}

  Outcome ReadHeader(Header& header) override {
    QtByteSource source(device_);
    Scanner s(source);
    std::uint8_t head[13];
    if (!s.Read(head, 13)) return Outcome::Damaged;
    qint64 canvasWidth = U16le(head + 6), canvasHeight = U16le(head + 8);
    if ((head[10] & 0x80) && !s.Skip(3 * (2 << (head[10] & 7)))) return Outcome::Damaged;
    for (;;) {
      const int b = s.Next();
      if (b < 0) return Outcome::Damaged;
      if (b == 0x21) {  // extension: label, then data sub-blocks
        if (s.Next() < 0 || !SkipSubBlocks(s)) return Outcome::Damaged;
      } else if (b == 0x2C) {  // the first image
        std::uint8_t d[9];
        if (!s.Read(d, 9)) return Outcome::Damaged;
        // Qt paints frames onto a canvas as large as the screen and the frame together.
        canvasWidth = std::max<qint64>(canvasWidth, U16le(d) + U16le(d + 4));
        canvasHeight = std::max<qint64>(canvasHeight, U16le(d + 2) + U16le(d + 6));
        if ((d[8] & 0x80) && !s.Skip(3 * (2 << (d[8] & 7)))) return Outcome::Damaged;
        if (s.Next() < 0 || !SkipSubBlocks(s)) return Outcome::Damaged;  // LZW code size, data
        break;
      } else {
        return Outcome::Damaged;  // a trailer before any picture, or garbage
      }
    }
    canvas_ = canvasWidth * canvasHeight;
    if (!device_.seek(0)) return Outcome::Damaged;
    reader_.setDevice(&device_);
    reader_.setFormat("gif");
    reader_.setAutoDetectImageFormat(false);
    header.stored = size_ = reader_.size();
    return Outcome::Ok;
  }

  // Qt's canvas, the frame, the previous canvas for disposal, and our copy.
  qint64 EstimateBytes(QSize) override { return 4 * canvas_ * 4; }

  Outcome Decode(QSize target, const Progress& progress, QImage& out) override {
    QImage frame;
    {
      const AllocationLimit limit(int(kPictureMemoryBudget >> 20));
      if (!reader_.read(&frame) || frame.size() != size_) return Outcome::Damaged;
    }
    frame.setDevicePixelRatio(1.0);
    Squeezer squeezer(frame.size(), target, progress);
    squeezer.AddImage(frame);
    if (!squeezer.Complete()) return Outcome::Damaged;
    out = squeezer.Take();
    return Outcome::Ok;
  }

 private:
  QIODevice& device_;
  QImageReader reader_;
  qint64 canvas_ = 0;
  QSize size_;
};

}  // namespace

std::unique_ptr<Reader> OpenGif(QIODevice& device) { return std::make_unique<GifReader>(device); }

}  // namespace mirel::picture
