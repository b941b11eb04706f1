// GIF: Qt's decoder, for the first frame only. The load's own walk of the
// blocks (picture/plain/GifWalk.h) has already seen the whole first frame
// there and held its canvas to the budget.

#include <QIODevice>
#include <QImageReader>


#include "Reader.h"
#include "Squeezer.h"
#include "picture/PictureFile.h"

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
    if (!device_.seek(0)) return Outcome::Damaged;
    reader_.setDevice(&device_);
    reader_.setFormat("gif");
    reader_.setAutoDetectImageFormat(false);
    header.stored = size_ = reader_.size();
    return Outcome::Ok;
  }

  // Held to the budget by the load's walk, canvas and all.
  qint64 EstimateBytes(QSize) override { return 0; }

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
  QSize size_;
};

}  // namespace

std::unique_ptr<Reader> OpenGif(QIODevice& device) { return std::make_unique<GifReader>(device); }

}  // namespace mirel::picture
