// GIF: Qt's decoder, for the first frame only. The load's own walk of the
// blocks (picture/plain/GifWalk.h) has already seen the whole first frame
// there and held its canvas to the budget; Qt is shown the file only up to
// that frame's end, as if it ended there, since it would otherwise go through
// every later frame first (71 million of them took half a gigabyte).

#include <QIODevice>
#include <QImageReader>

#include <algorithm>
#include <memory>
#include <optional>

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

// The file up to the end of its first frame, then the trailer.
class FirstFrame final : public QIODevice {
 public:
  FirstFrame(QIODevice& file, qint64 end) : file_(file), end_(end) { open(QIODevice::ReadOnly); }
  bool isSequential() const override { return false; }
  qint64 size() const override { return end_ + 1; }

 protected:
  qint64 readData(char* out, qint64 most) override {
    const qint64 at = pos();
    if (at > end_ || most <= 0) return 0;
    if (at == end_) {
      *out = ';';
      return 1;
    }
    if (!file_.seek(at)) return -1;
    return file_.read(out, std::min(most, end_ - at));
  }
  qint64 writeData(const char*, qint64) override { return -1; }

 private:
  QIODevice& file_;
  qint64 end_;
};

class GifReader final : public Reader {
 public:
  explicit GifReader(QIODevice& device) : device_(device) {}

  Outcome ReadHeader(Header& header) override {
    QtByteSource source(device_);
    const std::optional<GifFirstFrame> first = WalkToFirstFrame(source);
    if (!first || !device_.seek(0)) return Outcome::Damaged;
    firstFrame_ = std::make_unique<FirstFrame>(device_, first->end);
    reader_.setDevice(firstFrame_.get());
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
  std::unique_ptr<FirstFrame> firstFrame_;  // before the reader, which reads it until its end
  QImageReader reader_;
  QSize size_;
};

}  // namespace

std::unique_ptr<Reader> OpenGif(QIODevice& device) { return std::make_unique<GifReader>(device); }

}  // namespace mirel::picture
