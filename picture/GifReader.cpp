// GIF: Qt's decoder, for the first frame only, once our own walk of the
// blocks (picture/plain/GifWalk.h) has seen the whole first frame there.

#include <QIODevice>
#include <QImageReader>

#include <algorithm>

#include "QtByteSource.h"
#include "Reader.h"
#include "Squeezer.h"
#include "picture/PictureFile.h"
#include "picture/plain/GifWalk.h"

namespace mirel::picture {

namespace {

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
    const std::optional<long long> canvas = GifCanvasPixels(source);
    if (!canvas) return Outcome::Damaged;
    canvas_ = *canvas;
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
